#include "song_list.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <vector>

QCollator FileNameCollator() {
  QCollator collator{QLocale()};
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  return collator;
}

QCollatorSortKey FileNameKey(const QCollator& collator, const QString& name) {
  // Folding the case first keeps the order case-blind where the collator
  // cannot ignore case itself (Qt without ICU, or the C locale).
  return collator.sortKey(name.toCaseFolded());
}

int SongList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SongList::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant SongList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return Cell(index.row(), index.column());
}

QVariant SongList::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kFileName: return QStringLiteral("File name");
    case kPath: return QStringLiteral("Path");
    case kArtist: return QStringLiteral("Artist");
    case kTrack: return QStringLiteral("Track");
  }
  return {};
}

void SongList::AddRow(const QString& name) { AddRows({SongRow{name, {}, {}, {}, {}}}); }

void SongList::AddRows(const QList<SongRow>& rows) {
  if (rows.isEmpty()) return;
  int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
  rows_.append(rows);
  endInsertRows();
}

void SongList::SetCell(int row, int column, const QString& text) {
  if (row < 0 || row >= rows_.size()) return;
  SongRow& song = rows_[row];
  switch (column) {
    case kFileName:
      song.name = text;
      song.sortKey.reset();
      break;
    case kPath: song.path = text; break;
    case kArtist: song.artist = text; break;
    case kTrack: song.title = text; break;
    default: return;
  }
  emit dataChanged(index(row, column), index(row, column));
}

QString SongList::Cell(int row, int column) const {
  if (row < 0 || row >= rows_.size()) return {};
  const SongRow& song = rows_[row];
  switch (column) {
    case kFileName: return song.name;
    case kPath: return song.path;
    case kArtist: return song.artist;
    case kTrack: return song.title;
  }
  return {};
}

void SongList::RemoveAllRows() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void SongList::SortByName() {
  QCollator collator = FileNameCollator();
  for (SongRow& song : rows_)
    if (!song.sortKey) song.sortKey = FileNameKey(collator, song.name);
  std::vector<qsizetype> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [this](qsizetype a, qsizetype b) {
    return rows_[a].sortKey->compare(*rows_[b].sortKey) < 0;
  });
  QList<SongRow> sorted;
  sorted.reserve(rows_.size());
  for (qsizetype i : order) sorted.append(std::move(rows_[i]));
  beginResetModel();
  rows_ = std::move(sorted);
  endResetModel();
}
