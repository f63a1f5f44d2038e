#pragma once

#include <QString>
#include <QtGlobal>

// One diary entry as the program reads and writes it.
//
// A text field the database holds no value for (NULL) reads as a null QString (isNull() true); a stored empty
// text reads as an empty QString that is not null. Fields a reader did not ask for stay null as well. When an
// entry is written, both become the empty text: the statements store every field between quotes.
struct DiaryEntry {
    qint64 id = 0; // numbered by the database; 0 for an entry not stored yet
    QString owner; // the account name the entry belongs to, as stored in users
    QString title;
    QString date; // as the editor showed it: the tree groups entries by this exact text
    QString weekday;
    QString weather;
    QString body;
};
