#pragma once
// Sets an environment variable for the life of the object and puts back what
// was there before: the old value, or no variable at all.
#include <QByteArray>
#include <QtGlobal>

#include <optional>

class TScopedEnvironment
{
public:
    TScopedEnvironment(const char* name, const QByteArray& value) : FName(name)
    {
        if (qEnvironmentVariableIsSet(name))
            FOld = qgetenv(name);
        qputenv(name, value);
    }
    ~TScopedEnvironment()
    {
        if (FOld)
            qputenv(FName, *FOld);
        else
            qunsetenv(FName);
    }
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
    const char* FName;
    std::optional<QByteArray> FOld;
};
