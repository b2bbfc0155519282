#pragma once

#include <QtGlobal>

// What one request may send before the HTTP parser buffers it.
struct HttpLimits {
    qint64 maxHeadBytes = 32 * 1024;
    qint64 maxBodyBytes = 64 * 1024;
    // A refused body up to this size is read and dropped so that the client sees
    // the answer instead of a reset connection; a larger one is cut off.
    qint64 maxDrainBytes = 4 * 1024 * 1024;
};
