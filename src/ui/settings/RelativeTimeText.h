#pragma once

#include <QDateTime>
#include <QString>

// How long ago (or how far ahead) a moment is, in words: "now", "5 minutes
// ago", "yesterday", "in 2 hours", "last week". The largest whole unit wins;
// one day, week, month or year gets its name.
QString relativeTimeText(const QDateTime& time, const QDateTime& now);
