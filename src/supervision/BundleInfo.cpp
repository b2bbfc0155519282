#include "supervision/BundleInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

namespace {

// Top-level keys of an XML property list; a value that is not a <string> is
// kept as "present but not text".
using PlistValues = QHash<QString, std::optional<QString>>;

PlistValues readTopLevelDictionary(const QString& path) {
    PlistValues values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return values;
    }
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != u"plist") {
        return values;
    }
    if (!xml.readNextStartElement() || xml.name() != u"dict") {
        return values;
    }
    QString pendingKey;
    bool haveKey = false;
    while (xml.readNextStartElement()) {
        if (!haveKey) {
            if (xml.name() != u"key") {
                xml.skipCurrentElement();
                continue;
            }
            pendingKey = xml.readElementText();
            haveKey = true;
            continue;
        }
        if (xml.name() == u"string") {
            values.insert(pendingKey, xml.readElementText());
        } else {
            values.insert(pendingKey, std::nullopt);
            xml.skipCurrentElement();
        }
        haveKey = false;
    }
    // A damaged file yields whatever was read before the damage.
    return values;
}

} // namespace

BundleInfo BundleInfo::main() {
    const QDir executableDirectory(QCoreApplication::applicationDirPath());
    QDir contents = executableDirectory;
    if (executableDirectory.dirName() == u"MacOS" && contents.cdUp() && contents.dirName() == u"Contents" &&
        contents.cdUp()) {
        return fromBundleDirectory(contents.absolutePath());
    }
    return fromBundleDirectory(executableDirectory.absolutePath());
}

BundleInfo BundleInfo::fromBundleDirectory(const QString& bundlePath) {
    BundleInfo info;
    info.m_bundlePath = QDir::cleanPath(bundlePath);
    const PlistValues values =
        readTopLevelDictionary(info.m_bundlePath + QStringLiteral("/Contents/Info.plist"));

    const auto text = [&values](const char* key) { return values.value(QString::fromLatin1(key)); };

    const QString version = text("CFBundleShortVersionString").value_or(QString()).trimmed();
    info.m_companionVersion = version.isEmpty() ? QStringLiteral("1.0.0") : version;
    info.m_companionBuildNumber = text("CFBundleVersion").value_or(QStringLiteral("1"));
    const QString identifier = text("CFBundleIdentifier").value_or(QString()).trimmed();
    info.m_bundleIdentifier = identifier.isEmpty() ? QStringLiteral(VC_BUNDLE_IDENTIFIER) : identifier;
    return info;
}

bool BundleInfo::isAppBundle(const QString& path, const QString& identifier) {
    const QFileInfo bundle(path);
    if (!bundle.fileName().endsWith(QStringLiteral(".app")) || !bundle.isDir() || bundle.isSymLink()) {
        return false;
    }
    const QString contents = bundle.filePath() + QStringLiteral("/Contents");
    if (!QFileInfo(contents + QStringLiteral("/MacOS/vendrilo-connect")).isFile()) {
        return false;
    }
    const PlistValues values = readTopLevelDictionary(contents + QStringLiteral("/Info.plist"));
    const std::optional<QString> declared = values.value(QStringLiteral("CFBundleIdentifier"));
    return declared && !identifier.isEmpty() && declared->trimmed() == identifier;
}

QString BundleInfo::resourcesDirectory() const {
    return m_bundlePath + QStringLiteral("/Contents/Resources");
}

std::optional<QString> BundleInfo::bundledRuntimeExecutable() const {
    const QString path =
        resourcesDirectory() + QStringLiteral("/CompanionRuntime/vendrilo-connect-companion.bin");
    if (!QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    return path;
}
