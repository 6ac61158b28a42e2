// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Preferences.h"

#include "model/UserDefaults.h"

#include <QRegularExpression>

#include <algorithm>
#include <climits>

namespace vellumix {

namespace {

struct Setting
{
    const char* name;
    QMetaType::Type type;
    QVariant fallback;
};

const std::array<Setting, Preferences::keyCount>& settings()
{
    static const std::array<Setting, Preferences::keyCount> table{{
        {"menuIcon", QMetaType::Bool, true},
        {"startMinimized", QMetaType::Bool, true},
        {"confirmations", QMetaType::Bool, true},
        {"defaultMode", QMetaType::QString, QStringLiteral("Region")},
        {"accent", QMetaType::QString, QStringLiteral("Mint")},
        {"autoCopy", QMetaType::Bool, true},
        {"showResults", QMetaType::Bool, false},
        {"sound", QMetaType::Bool, false},
        {"preserve", QMetaType::Bool, true},
        {"fast", QMetaType::Bool, false},
        {"automaticLanguage", QMetaType::Bool, true},
        {"languages", QMetaType::QString, QString()},
        {"vocabulary", QMetaType::QString, QString()},
        {"historyEnabled", QMetaType::Bool, true},
        {"retainImages", QMetaType::Bool, false},
        {"retentionDays", QMetaType::Int, 30},
        {"showDock", QMetaType::Bool, false},
        {"appearance", QMetaType::QString, QStringLiteral("System")},
        {"normalize", QMetaType::Bool, false},
        {"quotes", QMetaType::Bool, false},
        {"rules", QMetaType::QString, QString()},
        {"separator", QMetaType::QString, QStringLiteral("\n\n")},
    }};
    return table;
}

const Setting& setting(Preferences::Key key)
{
    return settings()[std::size_t(key)];
}

// A stored value counts only when it has the key's type; integers may come back from the store
// as any integral type.
bool hasType(const QVariant& value, QMetaType::Type type)
{
    const int id = value.typeId();
    if (type == QMetaType::Int)
        return id == QMetaType::Int || id == QMetaType::LongLong || id == QMetaType::UInt ||
               id == QMetaType::ULongLong;
    return id == type;
}

QVariant coerced(const QVariant& value, QMetaType::Type type)
{
    QVariant copy = value;
    if (type == QMetaType::Int && copy.typeId() != QMetaType::Int)
        copy = QVariant(int(std::clamp<qlonglong>(copy.toLongLong(), INT_MIN, INT_MAX)));
    return copy;
}

constexpr auto allKeys = [] {
    std::array<Preferences::Key, Preferences::keyCount> keys{};
    for (int i = 0; i < Preferences::keyCount; ++i)
        keys[std::size_t(i)] = Preferences::Key(i);
    return keys;
}();

} // namespace

Preferences::Preferences(UserDefaults& store, QObject* parent) : QObject(parent), m_store(store)
{
    for (Key key : allKeys)
        m_values[std::size_t(key)] = defaultValue(key);
    load();
}

QString Preferences::keyName(Key key)
{
    return QString::fromLatin1(setting(key).name);
}

QVariant Preferences::defaultValue(Key key)
{
    return setting(key).fallback;
}

QMetaType::Type Preferences::valueType(Key key)
{
    return setting(key).type;
}

void Preferences::setValue(Key key, const QVariant& value)
{
    const QMetaType::Type type = valueType(key);
    if (!hasType(value, type))
        return;
    m_values[std::size_t(key)] = coerced(value, type);
    Q_EMIT changed(key);
    // Turning off the last of the two icons turns the other one on, so Vellumix stays reachable.
    if (key == Key::MenuIcon && !menuIcon() && !showDock())
        setShowDock(true);
    else if (key == Key::ShowDock && !showDock() && !menuIcon())
        setMenuIcon(true);
    if (!m_loading)
        save();
}

int Preferences::retentionDays() const
{
    const int days = m_values[std::size_t(Key::RetentionDays)].toInt();
    return days > 0 ? days : defaultValue(Key::RetentionDays).toInt();
}

void Preferences::save()
{
    QVariantMap dictionary;
    for (Key key : allKeys)
        dictionary.insert(keyName(key), m_values[std::size_t(key)]);
    m_store.set(storeKey, dictionary);
    Q_EMIT saved();
}

void Preferences::load()
{
    const std::optional<QVariantMap> stored = m_store.dictionary(storeKey);
    if (!stored)
        return;
    // One write for the whole dictionary: syncing the file once per key made start-up slow.
    m_loading = true;
    for (Key key : allKeys) {
        const QVariant value = stored->value(keyName(key));
        setValue(key, hasType(value, valueType(key)) ? value : defaultValue(key));
    }
    m_loading = false;
    save();
}

void Preferences::reset()
{
    m_store.remove(storeKey);
    for (Key key : allKeys)
        setValue(key, defaultValue(key));
}

OCROptions Preferences::options() const
{
    OCROptions options;
    options.fast = fast();
    options.automaticLanguage = automaticLanguage();
    for (const QString& piece : languages().split(u',', Qt::SkipEmptyParts)) {
        qsizetype begin = 0, end = piece.size();
        while (begin < end && (piece.at(begin) == u' ' || piece.at(begin) == u'\t'))
            ++begin;
        while (end > begin && (piece.at(end - 1) == u' ' || piece.at(end - 1) == u'\t'))
            --end;
        if (end > begin)
            options.languages.append(piece.mid(begin, end - begin));
    }
    static const QRegularExpression lineBreak(
        QStringLiteral("[\\n\\x{000B}\\f\\r\\x{0085}\\x{2028}\\x{2029}]"));
    options.vocabulary = vocabulary().split(lineBreak, Qt::SkipEmptyParts);
    return options;
}

QColor Preferences::accentColor() const
{
    const QString name = accent();
    if (name == QLatin1String("Blue"))
        return QColor(0x00, 0x7A, 0xFF);
    if (name == QLatin1String("Orange"))
        return QColor(0xFF, 0x95, 0x00);
    if (name == QLatin1String("Purple"))
        return QColor(0xAF, 0x52, 0xDE);
    return QColor(0x00, 0xC7, 0xBE);
}

} // namespace vellumix
