#include "sa_edit_field.h"

#include <QTextCursor>

void SAEditField::EditSelectAll() {
  QTextCursor cursor = textCursor();
  cursor.setPosition(0);
  cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  setTextCursor(cursor);
}
