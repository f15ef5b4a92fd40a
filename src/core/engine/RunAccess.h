#pragma once

#include "store/ProjectAccess.h"

#include <QString>

struct Url;

// What the requests of a run show its server: the project's access, its login taken from
// ~/.netrc when the project keeps none. `refusal` says why the login of ~/.netrc may not be used.
struct RunAccess
{
    ProjectAccess access;
    QString refusal;

    static RunAccess of(const Url &url, ProjectAccess kept);
};
