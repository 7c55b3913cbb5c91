#include "easy_prefs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Each test gets an empty configuration folder and a store as at process start.
class EasyPrefsTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    saved_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", folder_.path().toLocal8Bit());
    EasyPrefs::ResetPrefs();
  }
  void TearDown() override {
    qputenv("XDG_CONFIG_HOME", saved_);
    EasyPrefs::ResetPrefs();
  }

  QString PrefPath() const { return folder_.filePath("Songhaul"); }

  void WriteFile(const QByteArray& content) {
    QFile file(PrefPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
  }

  QByteArray ReadFile() {
    QFile file(PrefPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  QTemporaryDir folder_;
  QByteArray saved_;
};

TEST_F(EasyPrefsTest, FirstStartCreatesAnEmptyFileAndQuitWritesItEmptyAgain) {
  EasyPrefs::InitPrefFile("Songhaul");
  EXPECT_EQ(EasyPrefs::PrefFilePath(), PrefPath());
  EXPECT_EQ(ReadFile(), QByteArray());
  EXPECT_FALSE(EasyPrefs::GetPrefBoolean("cbDetail", false));
  EasyPrefs::WritePrefsFile();
  EXPECT_EQ(ReadFile(), QByteArray());
}

TEST_F(EasyPrefsTest, FallsBackToHomeConfigWithoutXdgConfigHome) {
  QByteArray home = qgetenv("HOME");
  qunsetenv("XDG_CONFIG_HOME");
  qputenv("HOME", folder_.path().toLocal8Bit());
  EasyPrefs::InitPrefFile("Songhaul");
  qputenv("HOME", home);
  EXPECT_EQ(EasyPrefs::PrefFilePath(), folder_.filePath(".config/Songhaul"));
  EXPECT_TRUE(QFile::exists(folder_.filePath(".config/Songhaul")));
}

TEST_F(EasyPrefsTest, DetailsOnThenOffAcrossRuns) {
  EasyPrefs::InitPrefFile("Songhaul");
  EasyPrefs::SetPrefBoolean("cbDetail", true);
  EasyPrefs::WritePrefsFile();
  EXPECT_EQ(ReadFile(), QByteArray("cbDetail\ntrue\n"));

  EasyPrefs::ResetPrefs();
  EasyPrefs::InitPrefFile("Songhaul");
  EXPECT_TRUE(EasyPrefs::GetPrefBoolean("cbDetail", false));
  EasyPrefs::SetPrefBoolean("cbDetail", false);
  EasyPrefs::WritePrefsFile();
  EXPECT_EQ(ReadFile(), QByteArray("cbDetail\nfalse\n"));
}

struct LookupCase {
  const char* content;
  bool defaultValue;
  bool expected;
};

class EasyPrefsLookup : public EasyPrefsTest, public testing::WithParamInterface<LookupCase> {};

TEST_P(EasyPrefsLookup, ReadsTheDetailsFlag) {
  WriteFile(GetParam().content);
  EasyPrefs::InitPrefFile("Songhaul");
  EXPECT_EQ(EasyPrefs::GetPrefBoolean("cbDetail", GetParam().defaultValue), GetParam().expected);
}

// File content, default, expected answer for "cbDetail".
const LookupCase kLookups[] = {
    {"CBDETAIL\ntrue\n", false, true},                // key case ignored
    {"cbDetail\nTRUE\n", false, true},                // word case ignored
    {"cbDetail\n1\n", true, false},                   // only the word counts
    {"cbDetail\nyes\n", true, false},
    {"cbDetail\n\n", true, false},                    // empty value
    {"other\nfalse\n", true, true},                   // absent: the default
    {"cbDetail\ntrue\ncbDetail\nfalse\n", false, true},  // the first wins
    {"cbDetail\r\ntrue\r\n", false, true},            // edited elsewhere
    {"cbDetail\ntrue", false, true},                 // no final line end
};
INSTANTIATE_TEST_SUITE_P(Files, EasyPrefsLookup, testing::ValuesIn(kLookups));

TEST_F(EasyPrefsTest, RewriteKeepsOrderCaseAndDuplicatesAndAppendsNewKeys) {
  WriteFile("window\nwide\nCBDETAIL\ntrue\ncbdetail\ntrue\n");
  EasyPrefs::InitPrefFile("Songhaul");
  EasyPrefs::SetPrefBoolean("cbDetail", false);
  EasyPrefs::SetPrefString("added", " spaced ");
  EXPECT_EQ(EasyPrefs::GetPrefString("window", "x"), "wide");
  EasyPrefs::WritePrefsFile();
  EXPECT_EQ(ReadFile(), QByteArray("window\nwide\nCBDETAIL\nfalse\ncbdetail\ntrue\nadded\n spaced \n"));
}

TEST_F(EasyPrefsTest, OddLineCountAndBlankLinesAreEntryParts) {
  WriteFile("\nblank key\nlast\n");
  EasyPrefs::InitPrefFile("Songhaul");
  EXPECT_EQ(EasyPrefs::GetPrefString("", "x"), "blank key");
  EXPECT_EQ(EasyPrefs::GetPrefString("last", "x"), "");
  EasyPrefs::WritePrefsFile();
  EXPECT_EQ(ReadFile(), QByteArray("\nblank key\nlast\n\n"));
}

TEST_F(EasyPrefsTest, RewriteReplacesTheFileInsteadOfOverwritingIt) {
  // A second name for the old file shows whether its content was ever
  // touched: a crash while writing must leave the old settings whole.
  WriteFile("cbDetail\ntrue\n");
  QString other = folder_.filePath("old");
  ASSERT_EQ(link(PrefPath().toLocal8Bit().constData(), other.toLocal8Bit().constData()), 0);
  EasyPrefs::InitPrefFile("Songhaul");
  EasyPrefs::SetPrefBoolean("cbDetail", false);
  EasyPrefs::WritePrefsFile();
  EXPECT_EQ(ReadFile(), QByteArray("cbDetail\nfalse\n"));
  QFile old(other);
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), QByteArray("cbDetail\ntrue\n"));
  EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file left";
}

TEST_F(EasyPrefsTest, UnusableFolderFallsBackToDefaultsSilently) {
  // The configuration "folder" is a plain file: nothing can be read or made.
  QString blocker = folder_.filePath("blocker");
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  qputenv("XDG_CONFIG_HOME", blocker.toLocal8Bit());
  EasyPrefs::InitPrefFile("Songhaul");
  EXPECT_TRUE(EasyPrefs::GetPrefBoolean("cbDetail", true));
  EasyPrefs::SetPrefBoolean("cbDetail", false);
  EXPECT_FALSE(EasyPrefs::GetPrefBoolean("cbDetail", true));
  EasyPrefs::WritePrefsFile();
  EXPECT_EQ(QFileInfo(blocker).size(), 0);
}

}  // namespace
