#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// The [Desktop Entry] group of a desktop entry file (freedesktop.org format):
// reading, writing, and the quoting rules of its Exec key. Values are held
// unescaped; escaping happens on the way in and out.
class DesktopEntry {
public:
    // Other groups, comments and blank lines are skipped; the first of
    // repeated keys wins. Localised keys ("Name[de]") are distinct keys.
    static DesktopEntry parse(const QByteArray& contents);

    std::optional<QString> value(const QString& key) const;
    // "true" or "false"; anything else, or a missing key, is nullopt.
    std::optional<bool> boolean(const QString& key) const;
    // Replaces the key's value or appends the key.
    void setValue(const QString& key, const QString& value);

    // "[Desktop Entry]" and the keys in their order, UTF-8.
    QByteArray toByteArray() const;

    // One argument as the Exec key wants it: in double quotes when it holds a
    // reserved character, '%' doubled.
    static QString quoteExecArgument(QStringView argument);
    // The arguments of an Exec value with quoting undone, "%%" turned into "%"
    // and other field codes removed; nullopt when a quote is left open.
    static std::optional<QStringList> execArguments(QStringView exec);

private:
    QList<std::pair<QString, QString>> m_entries;
};
