// SAEditField: a text field that answers the Select All menu command.
#pragma once

#include <QTextEdit>

class SAEditField : public QTextEdit {
  Q_OBJECT

public:
  using QTextEdit::QTextEdit;

  // The Edit menu's Select All: selects the whole text.
  void EditSelectAll();
};
