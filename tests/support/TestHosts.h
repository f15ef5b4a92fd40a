#pragma once

#include <QProcessEnvironment>

// Host names of the tests' own. A name that resolves to ::1 alone is not to be had from the
// machines the suite runs on: their /etc/hosts may map none ("ip6-localhost" is often missing),
// and a test must not edit it. A process started with environment() preloads nss_wrapper
// (Debian's libnss-wrapper), which resolves the names in hostsFile() and leaves every other name
// to the system. A test executable resolves them too when ctest starts it with these variables.
namespace TestHosts {

inline constexpr char Ipv6Only[] = "ipv6-only.test"; // ::1 alone

inline QString hostsFile()
{
    return qEnvironmentVariable("QF_SOURCE_DIR") + "/tests/support/hosts";
}

inline QProcessEnvironment
environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment())
{
    base.insert("LD_PRELOAD", "libnss_wrapper.so");
    base.insert("NSS_WRAPPER_HOSTS", hostsFile());
    // In a sanitized executable the preloaded library comes before the sanitizer's runtime.
    const QString asan = base.value("ASAN_OPTIONS");
    base.insert("ASAN_OPTIONS", (asan.isEmpty() ? "" : asan + ':') + "verify_asan_link_order=0");
    return base;
}

} // namespace TestHosts
