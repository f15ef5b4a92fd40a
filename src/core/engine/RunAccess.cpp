#include "engine/RunAccess.h"

#include "store/Netrc.h"
#include "wire/Url.h"

RunAccess RunAccess::of(const Url &url, ProjectAccess kept)
{
    if (!kept.login.isEmpty() || !url.server)
        return {kept, QString()};
    const Netrc::Lookup netrc = Netrc::lookUp(url.server->host, url.isFtp());
    kept.login = netrc.login;
    return {kept, netrc.refusal};
}
