#pragma once

#include <QObject>
#include <QString>
#include <QTranslator>

class QQmlEngine;

// The interface's language: Russian (the texts of the sources) or English
// (translations built into the program). Chosen by the --language option for
// one run, else by the stored setting "ui/language", else by the system
// locale (Russian for ru, English otherwise). A change applies at once: the
// translator is swapped, the QML engine re-evaluates its texts and the
// choice is stored.
class Language : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString code READ code WRITE setCode NOTIFY codeChanged)

public:
    static constexpr const char *SettingKey = "ui/language";

    explicit Language(QObject *parent = nullptr);

    // The languages there are, by their codes.
    static QStringList codes();
    static bool isKnown(const QString &code);
    // The language to start with: the option's (empty: none), the stored
    // one, the system locale's.
    static QString initial(const QString &option);

    QString code() const { return m_code; }
    // Applies a language without storing it (start-up, --language).
    void apply(const QString &code);
    // The engine whose texts follow a change.
    void setEngine(QQmlEngine *engine) { m_engine = engine; }

public slots:
    // Applies and stores a language chosen by the user; unknown codes are
    // ignored.
    void setCode(const QString &code);

signals:
    void codeChanged();

private:
    QString m_code;
    QTranslator m_translator;
    bool m_installed = false;
    QQmlEngine *m_engine = nullptr;
};
