// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Records.h"

#include <QColor>
#include <QObject>
#include <QVariant>

#include <array>
#include <functional>

namespace vellumix {

class UserDefaults;

// The user's twenty-two settings. Every write is announced through changed() and saved at once
// as one dictionary under "preferences".
class Preferences final : public QObject
{
    Q_OBJECT
public:
    // Declaration order is the order of loading, saving and resetting.
    enum class Key {
        MenuIcon,
        StartMinimized,
        Confirmations,
        DefaultMode,
        Accent,
        AutoCopy,
        ShowResults,
        Sound,
        Preserve,
        Fast,
        AutomaticLanguage,
        Languages,
        Vocabulary,
        HistoryEnabled,
        RetainImages,
        RetentionDays,
        ShowDock,
        Appearance,
        Normalize,
        Quotes,
        Rules,
        Separator,
    };
    Q_ENUM(Key)
    static constexpr int keyCount = int(Key::Separator) + 1;
    static inline const QString storeKey = QStringLiteral("preferences");

    explicit Preferences(UserDefaults& store, QObject* parent = nullptr);

    static QString keyName(Key key);
    static QVariant defaultValue(Key key);
    static QMetaType::Type valueType(Key key);

    QVariant value(Key key) const { return m_values[std::size_t(key)]; }
    // Ignores a value whose type does not match the key's.
    void setValue(Key key, const QVariant& value);

    bool menuIcon() const { return flag(Key::MenuIcon); }
    bool startMinimized() const { return flag(Key::StartMinimized); }
    bool confirmations() const { return flag(Key::Confirmations); }
    QString defaultMode() const { return string(Key::DefaultMode); }
    QString accent() const { return string(Key::Accent); }
    bool autoCopy() const { return flag(Key::AutoCopy); }
    bool showResults() const { return flag(Key::ShowResults); }
    bool sound() const { return flag(Key::Sound); }
    bool preserve() const { return flag(Key::Preserve); }
    bool fast() const { return flag(Key::Fast); }
    bool automaticLanguage() const { return flag(Key::AutomaticLanguage); }
    QString languages() const { return string(Key::Languages); }
    QString vocabulary() const { return string(Key::Vocabulary); }
    bool historyEnabled() const { return flag(Key::HistoryEnabled); }
    bool retainImages() const { return flag(Key::RetainImages); }
    // A stored period below one day acts as the default: it would empty the history.
    int retentionDays() const;
    bool showDock() const { return flag(Key::ShowDock); }
    QString appearance() const { return string(Key::Appearance); }
    bool normalize() const { return flag(Key::Normalize); }
    bool quotes() const { return flag(Key::Quotes); }
    QString rules() const { return string(Key::Rules); }
    QString separator() const { return string(Key::Separator); }

    void setMenuIcon(bool value) { setValue(Key::MenuIcon, value); }
    void setStartMinimized(bool value) { setValue(Key::StartMinimized, value); }
    void setConfirmations(bool value) { setValue(Key::Confirmations, value); }
    void setDefaultMode(const QString& value) { setValue(Key::DefaultMode, value); }
    void setAccent(const QString& value) { setValue(Key::Accent, value); }
    void setAutoCopy(bool value) { setValue(Key::AutoCopy, value); }
    void setShowResults(bool value) { setValue(Key::ShowResults, value); }
    void setSound(bool value) { setValue(Key::Sound, value); }
    void setPreserve(bool value) { setValue(Key::Preserve, value); }
    void setFast(bool value) { setValue(Key::Fast, value); }
    void setAutomaticLanguage(bool value) { setValue(Key::AutomaticLanguage, value); }
    void setLanguages(const QString& value) { setValue(Key::Languages, value); }
    void setVocabulary(const QString& value) { setValue(Key::Vocabulary, value); }
    void setHistoryEnabled(bool value) { setValue(Key::HistoryEnabled, value); }
    void setRetainImages(bool value) { setValue(Key::RetainImages, value); }
    void setRetentionDays(int value) { setValue(Key::RetentionDays, value); }
    void setShowDock(bool value) { setValue(Key::ShowDock, value); }
    void setAppearance(const QString& value) { setValue(Key::Appearance, value); }
    void setNormalize(bool value) { setValue(Key::Normalize, value); }
    void setQuotes(bool value) { setValue(Key::Quotes, value); }
    void setRules(const QString& value) { setValue(Key::Rules, value); }
    void setSeparator(const QString& value) { setValue(Key::Separator, value); }

    void save();
    void reset();

    OCROptions options() const;
    QColor accentColor() const;

Q_SIGNALS:
    void changed(vellumix::Preferences::Key key);
    // After every save: the shell applies the taskbar presence and the appearance then.
    void saved();

private:
    bool flag(Key key) const { return m_values[std::size_t(key)].toBool(); }
    QString string(Key key) const { return m_values[std::size_t(key)].toString(); }
    void load();

    UserDefaults& m_store;
    bool m_loading = false;
    std::array<QVariant, keyCount> m_values;
};

} // namespace vellumix
