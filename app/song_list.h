// The rows of the main window's song list: file name, absolute path (never
// shown), artist and title. The scan adds rows in batches; the list is then
// sorted once by file name, ignoring letter case, in the user's language.
#pragma once

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QList>
#include <QMetaType>
#include <QString>
#include <optional>

struct SongRow {
  QString name;  // column 0, "File name"
  QString path;  // column 1, "Path"
  QString artist;  // column 2, "Artist"
  QString title;  // column 3, "Track"
  // Collation key of name; the scan makes it off the user-interface thread,
  // and the sort makes it for rows that have none.
  std::optional<QCollatorSortKey> sortKey;
};
Q_DECLARE_METATYPE(SongRow)

// The collation the list is sorted by, and a name's key in it.
class QCollator;
QCollator FileNameCollator();
QCollatorSortKey FileNameKey(const QCollator& collator, const QString& name);

class SongList : public QAbstractTableModel {
  Q_OBJECT
public:
  enum Column { kFileName = 0, kPath = 1, kArtist = 2, kTrack = 3, kColumnCount = 4 };

  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void AddRow(const QString& name);
  void AddRows(const QList<SongRow>& rows);
  void SetCell(int row, int column, const QString& text);
  QString Cell(int row, int column) const;
  void RemoveAllRows();
  // Ascending by file name; rows that compare equal keep their order.
  void SortByName();

private:
  QList<SongRow> rows_;
};
