#pragma once

#include "store/prompt.h"
#include "targets/targetseditor.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Wishes from a CSV file as nurses hand them in, one a row: person, from,
// to, shift (or shift group, or 全天), 想/不想, weight, and an optional
// reason. A first row that does not hold a date in its second column is a
// header. UTF-8 (with or without a byte-order mark), UTF-16 with its mark,
// or GBK/GB18030 as a Chinese Excel writes it.
namespace korvane::targets {

// The file's text: decoded by its byte-order mark, else as UTF-8 when it is
// valid UTF-8, else as GB18030 (which GBK is part of). False when it is none.
bool decodeText(const QByteArray& bytes, QString* text);

// The records of CSV text: fields split at commas, double quotes around a
// field that holds commas, quotes ("" inside) or line breaks. False with
// the problem when a quote is left open.
bool splitCsv(const QString& text, QList<QStringList>* records, QString* problem);

enum class ImportOutcome { Imported, Refused, Failed };

// Reads the file and adds every wish in it, or none: every wrong row is
// named (its number in the file, the problem) in one message, and nothing
// is stored. Imported: how many wishes were added is said.
ImportOutcome importWishes(TargetsEditor& editor, Prompt& prompt, const QString& path);

} // namespace korvane::targets
