#pragma once

#include <QByteArray>
#include <QFile>

// A recorded runtime answer from the fuzzer's seed corpus.
inline QByteArray wireSample(const char* name) {
    QFile file(QStringLiteral(WIRE_SAMPLES_DIR "/") + QLatin1StringView(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
