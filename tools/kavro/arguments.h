#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// Parses "--name value" options, "--flag" switches and positional arguments.
// Anything that does not start with "--" is positional, so negative numbers
// need no quoting; after a bare "--" everything is positional.
class Arguments
{
public:
    Arguments(const QStringList &arguments, const QSet<QString> &valueOptions,
              const QSet<QString> &flags = {});

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    bool has(const QString &name) const
    {
        return m_values.contains(name) || m_flags.contains(name);
    }
    QString value(const QString &name) const { return m_values.value(name); }
    const QStringList &positional() const { return m_positional; }

    // The option as a finite number; sets the error when absent or malformed.
    bool number(const QString &name, double *result);
    // Reports a missing required option through error().
    bool require(const QStringList &names);

private:
    QHash<QString, QString> m_values;
    QSet<QString> m_flags;
    QStringList m_positional;
    QString m_error;
};
