#include "core/host_identity.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/utsname.h>

#include <atomic>
#include <memory>

namespace {

bool kernelUname(orbUnameFields& fields) {
    utsname names{};
    if (uname(&names) != 0) {
        return false;
    }
    fields =
        orbUnameFields{names.sysname, names.nodename, names.release, names.version, names.machine};
    return true;
}

struct InterfaceListDeleter {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

bool kernelIPv4Addresses(std::vector<orbInterfaceAddress>& addresses) {
    ifaddrs* head = nullptr;
    if (getifaddrs(&head) != 0) {
        return false;
    }
    std::unique_ptr<ifaddrs, InterfaceListDeleter> list(head);
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
            entry->ifa_name == nullptr) {
            continue;
        }
        char text[INET_ADDRSTRLEN] = {};
        const sockaddr_in* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof(text)) != nullptr) {
            addresses.push_back({entry->ifa_name, text});
        }
    }
    return true;
}

std::atomic<orbUnameHandler> unameHandler{nullptr};
std::atomic<orbIPv4AddressHandler> addressHandler{nullptr};

}  // namespace

bool orbReadUname(orbUnameFields& fields) {
    orbUnameHandler handler = unameHandler.load();
    return handler != nullptr ? handler(fields) : kernelUname(fields);
}

bool orbListIPv4Addresses(std::vector<orbInterfaceAddress>& addresses) {
    addresses.clear();
    orbIPv4AddressHandler handler = addressHandler.load();
    return handler != nullptr ? handler(addresses) : kernelIPv4Addresses(addresses);
}

orbUnameHandler orbSetUnameHandler(orbUnameHandler handler) {
    return unameHandler.exchange(handler);
}

orbIPv4AddressHandler orbSetIPv4AddressHandler(orbIPv4AddressHandler handler) {
    return addressHandler.exchange(handler);
}
