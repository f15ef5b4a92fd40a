#include "ui/InstanceRule.h"

#include "platform/SingleInstance.h"
#include "ui/MessagePresenter.h"

bool claimSingleInstance(SingleInstance &instance, const QStringList &arguments,
                         MessagePresenter &messages)
{
    if (instance.acquire())
        return true;
    if (!instance.heldElsewhere())
        messages.critical(nullptr,
                          QStringLiteral("Unable to write the file ") + instance.path() +
                              QStringLiteral(" !"),
                          QStringLiteral("Error"));
    else if (arguments.isEmpty())
        messages.critical(nullptr,
                          QStringLiteral("You cannot open Quillfetch twice at the same time !"),
                          QStringLiteral("Error"));
    return false;
}
