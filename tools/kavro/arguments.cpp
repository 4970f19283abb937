#include "arguments.h"

#include <cmath>

Arguments::Arguments(const QStringList &arguments, const QSet<QString> &valueOptions,
                     const QSet<QString> &flags)
{
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1String("--"))) {
            m_positional << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = argument.mid(2);
        QString value;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const bool inlineValue = equals >= 0;
        if (inlineValue) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        if (flags.contains(name) && !inlineValue) {
            m_flags.insert(name);
        } else if (valueOptions.contains(name)) {
            if (!inlineValue) {
                if (i + 1 >= arguments.size()) {
                    m_error = QStringLiteral("option --%1 needs a value").arg(name);
                    return;
                }
                value = arguments.at(++i);
            }
            m_values.insert(name, value);
        } else {
            m_error = QStringLiteral("unknown option --%1").arg(name);
            return;
        }
    }
}

bool Arguments::number(const QString &name, double *result)
{
    bool ok = false;
    const double parsed = m_values.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(parsed)) {
        m_error = QStringLiteral("option --%1 needs a number, not \"%2\"")
                          .arg(name, m_values.value(name));
        return false;
    }
    *result = parsed;
    return true;
}

bool Arguments::require(const QStringList &names)
{
    for (const QString &name : names) {
        if (!has(name)) {
            m_error = QStringLiteral("option --%1 is required").arg(name);
            return false;
        }
    }
    return true;
}
