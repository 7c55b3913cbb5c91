#include "wpref.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

#include "easy_prefs.h"

wpref::wpref(std::atomic<bool>& lbsDetail, std::function<void()> applyColumnLayout, QWidget* parent)
    : QWidget(parent, Qt::Window), lbsDetail_(lbsDetail), applyColumnLayout_(std::move(applyColumnLayout)) {
  setObjectName("wpref");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Preferences");
  setFixedSize(348, 102);
  QFont font = this->font();
  font.setPointSize(12);
  setFont(font);

  GroupBox1 = new QGroupBox("List options", this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(10, 14, 324, 53);

  cbDetail = new QCheckBox("Details (Artist + Track)", this);
  cbDetail->setObjectName("cbDetail");
  cbDetail->setGeometry(20, 38, 227, 20);

  PushButton1 = new QPushButton("Ok", this);
  PushButton1->setObjectName("PushButton1");
  PushButton1->setGeometry(254, 73, 80, 20);
  connect(PushButton1, &QPushButton::clicked, this, &wpref::PushButton1_Action);

  Open();
}

void wpref::Open() { cbDetail->setChecked(lbsDetail_.load()); }

// The list changes at once; the preference file gets the flag at quit.
void wpref::PushButton1_Action() {
  EasyPrefs::SetPrefBoolean("cbDetail", cbDetail->isChecked());
  lbsDetail_ = cbDetail->isChecked();
  applyColumnLayout_();
  hide();
}
