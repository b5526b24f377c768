#pragma once

#include <string>
#include <vector>

// The host's identity as its kernel tells it: the uname fields (the host name is the node name)
// and the IPv4 address of each network interface. Each is asked through one call that goes to
// the kernel (uname, getifaddrs) unless another handler has been installed (a simulated host).

struct orbUnameFields {
    std::string sysname;
    std::string nodename;
    std::string release;
    std::string version;
    std::string machine;
};

struct orbInterfaceAddress {
    std::string interfaceName;
    std::string address;  // dotted IPv4 text
};

// False when the kernel cannot tell.
using orbUnameHandler = bool (*)(orbUnameFields& fields);
bool orbReadUname(orbUnameFields& fields);

// The IPv4 addresses in the kernel's interface order; false when the list cannot be read.
using orbIPv4AddressHandler = bool (*)(std::vector<orbInterfaceAddress>& addresses);
bool orbListIPv4Addresses(std::vector<orbInterfaceAddress>& addresses);

// Install a handler in place of the kernel and return the one it replaces; null restores the
// kernel.
orbUnameHandler orbSetUnameHandler(orbUnameHandler handler);
orbIPv4AddressHandler orbSetIPv4AddressHandler(orbIPv4AddressHandler handler);
