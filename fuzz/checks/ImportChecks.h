#pragma once

// What must hold for any bytes read as an imported text file; shared by the fuzzer and the tests that
// replay its corpus.

#include <QByteArray>
#include <QString>

namespace fuzzcheck {

// Decodes the bytes as the import does and checks the result: the decoded text is valid UTF-16 (a surrogate
// only ever as half of a pair), and the body follows the import's line rule exactly: lines end at CR or
// CR LF (a lone LF stays inside its line), leading empty lines are dropped, lines are joined with CR LF and
// no line break follows the last line read. So the body never holds a lone CR and never starts with CR LF;
// it ends with CR LF only when the file itself ends with an empty line after a non-empty one.
//
// The same bytes, read as UTF-8 text, also go through an export and back: what the export writes (in the
// ANSI code page, always starting with the title label) must decode to exactly the text written.
//
// Returns an empty text when everything holds, else what failed.
QString checkImportedBytes(const QByteArray& bytes);

// The import's line rule written out plainly, as a reference.
QString referenceBody(const QString& text);

bool isValidUtf16(const QString& text);

} // namespace fuzzcheck
