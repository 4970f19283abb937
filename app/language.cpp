#include "language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QQmlEngine>
#include <QSettings>

namespace {
const QString Russian = QStringLiteral("ru");
const QString English = QStringLiteral("en");
} // namespace

Language::Language(QObject *parent)
    : QObject(parent)
    , m_code(Russian)
{ }

QStringList Language::codes()
{
    return {Russian, English};
}

bool Language::isKnown(const QString &code)
{
    return codes().contains(code);
}

QString Language::initial(const QString &option)
{
    if (isKnown(option))
        return option;
    const QString stored = QSettings().value(QLatin1String(SettingKey)).toString();
    if (isKnown(stored))
        return stored;
    return QLocale::system().language() == QLocale::Russian ? Russian : English;
}

void Language::apply(const QString &code)
{
    if (!isKnown(code) || (code == m_code && (m_installed || code == Russian)))
        return;
    if (m_installed) {
        QCoreApplication::removeTranslator(&m_translator);
        m_installed = false;
    }
    // Russian is the language of the sources: no translator.
    if (code != Russian) {
        if (m_translator.load(QStringLiteral(":/i18n/kavrotir_") + code))
            m_installed = QCoreApplication::installTranslator(&m_translator);
        else
            qWarning("no translation for the language %s", qPrintable(code));
    }
    m_code = code;
    if (m_engine)
        m_engine->retranslate();
    emit codeChanged();
}

void Language::setCode(const QString &code)
{
    if (!isKnown(code))
        return;
    QSettings().setValue(QLatin1String(SettingKey), code);
    apply(code);
}
