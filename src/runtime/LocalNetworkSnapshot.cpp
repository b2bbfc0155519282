#include "runtime/LocalNetworkSnapshot.h"

QString LocalNetworkCandidate::identity() const {
    return family + u'-' + host + u'-' + QString::number(port);
}

QString LocalNetworkInterface::identity() const {
    return name + u'-' + family + u'-' + host;
}
