#pragma once

#include <QLatin1String>

// Gives a new control its objectName, so that tests and accessibility tools find it by name.
template<typename T>
T *named(T *control, const char *name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}
