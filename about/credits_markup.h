// The credits markup: <b>, </b>, <i>, </i>, <font size="N"> and </font> in a
// text document's plain text, turned into character formats.
//
// Each tag is deleted and its change applies from where it stood to the end
// of the text, so a later tag of the same kind overrides it for the text
// after that. Only one size is remembered: "</font>" goes back to the size
// in effect where the most recent "<font>" stood. Unknown tags are deleted
// and change nothing. A "<" with no ">" after it is left as plain text.
#pragma once

class QTextDocument;

void ApplyCreditsMarkup(QTextDocument& document);
