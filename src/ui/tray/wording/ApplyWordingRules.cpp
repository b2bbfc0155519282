// Build tool: reads the source texts lupdate found (a .ts file), applies the
// wording rules and writes a catalogue holding only the texts that change.
//     apply-wording-rules <rules file> <source texts .ts> <catalogue .ts> <language>

#include "ui/tray/wording/WordingRules.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cstdio>

namespace {

struct Message {
    QString context;
    QString source;
    QString comment;
};

int fail(const QString& message) {
    std::fprintf(stderr, "apply-wording-rules: %s\n", qPrintable(message));
    return 1;
}

QList<Message> readMessages(QFile& file, QString* error) {
    QList<Message> messages;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            messages.append({context, {}, {}});
        } else if (xml.name() == u"source" && !messages.isEmpty()) {
            messages.last().source = xml.readElementText();
        } else if (xml.name() == u"comment" && !messages.isEmpty()) {
            messages.last().comment = xml.readElementText();
        }
    }
    if (xml.hasError()) {
        *error = file.fileName() + u": " + xml.errorString();
    }
    return messages;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 5) {
        return fail(u"usage: apply-wording-rules <rules> <source .ts> <catalogue .ts> <language>"_qs);
    }
    QFile rulesFile(arguments[1]);
    QFile sourceFile(arguments[2]);
    if (!rulesFile.open(QIODevice::ReadOnly) || !sourceFile.open(QIODevice::ReadOnly)) {
        return fail(u"cannot read "_qs + (rulesFile.isOpen() ? sourceFile : rulesFile).fileName());
    }
    QString error;
    const auto rules = WordingRules::parse(QString::fromUtf8(rulesFile.readAll()), &error);
    if (!rules) {
        return fail(u"not a rule: "_qs + error);
    }
    const QList<Message> messages = readMessages(sourceFile, &error);
    if (!error.isEmpty()) {
        return fail(error);
    }

    QSaveFile output(arguments[3]);
    if (!output.open(QIODevice::WriteOnly)) {
        return fail(output.errorString());
    }
    QXmlStreamWriter xml(&output);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDTD(u"<!DOCTYPE TS>"_qs);
    xml.writeStartElement(u"TS"_qs);
    xml.writeAttribute(u"version"_qs, u"2.1"_qs);
    xml.writeAttribute(u"language"_qs, arguments[4]);
    for (const Message& message : messages) {
        const QString translation = rules->apply(message.source);
        if (translation == message.source) {
            continue;
        }
        xml.writeStartElement(u"context"_qs);
        xml.writeTextElement(u"name"_qs, message.context);
        xml.writeStartElement(u"message"_qs);
        xml.writeTextElement(u"source"_qs, message.source);
        if (!message.comment.isEmpty()) {
            xml.writeTextElement(u"comment"_qs, message.comment);
        }
        xml.writeTextElement(u"translation"_qs, translation);
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return output.commit() ? 0 : fail(output.errorString());
}
