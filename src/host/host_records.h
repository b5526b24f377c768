#pragma once

#include <string>
#include <utility>
#include <vector>

// Total and free physical memory of the host, in whole GiB.
class orbHostMemorySummary {
public:
    void setTotalSystemMemGiB(double value) { TotalSystemMemGiB = value; }
    double getTotalSystemMemGiB() const { return TotalSystemMemGiB; }
    void setTotalFreeSystemMemGiB(double value) { TotalFreeSystemMemGiB = value; }
    double getTotalFreeSystemMemoryGiB() const { return TotalFreeSystemMemGiB; }

private:
    double TotalSystemMemGiB = 0.0;
    double TotalFreeSystemMemGiB = 0.0;
};

class orbHostIPv4Addresses {
public:
    void setIPv4Address(std::vector<std::string> addresses) { IPv4Address = std::move(addresses); }
    std::vector<std::string> getIPv4Address() const { return IPv4Address; }

private:
    std::vector<std::string> IPv4Address;
};

// The operating-system facts of the host as one build collected them.
class orbHostOSInfo {
public:
    void setHostName(std::string value) { HostName = std::move(value); }
    std::string getHostName() const { return HostName; }
    void setOSName(std::string value) { OSName = std::move(value); }
    std::string getOSName() const { return OSName; }
    void setOSVersion(std::string value) { OSVersion = std::move(value); }
    std::string getOSVersion() const { return OSVersion; }
    void setOSDescription(std::string value) { OSDescription = std::move(value); }
    std::string getOSDescription() const { return OSDescription; }
    void setOSType(int value) { OSType = value; }
    int getOSType() const { return OSType; }
    void setCrashKernelMemBytes(long value) { CrashKernelMemBytes = value; }
    long getCrashKernelMemBytes() const { return CrashKernelMemBytes; }
    void setKernelCmdLine(std::string value) { KernelCmdLine = std::move(value); }
    std::string getKernelCmdLine() const { return KernelCmdLine; }
    void setCrashKernelCmd(std::string value) { CrashKernelCmd = std::move(value); }
    std::string getCrashKernelCmd() const { return CrashKernelCmd; }
    void setCrashkernelLoaded(std::string value) { CrashkernelLoaded = std::move(value); }
    std::string getCrashkernelLoaded() const { return CrashkernelLoaded; }
    void setKDumpSvcsEnabled(std::string value) { KDumpSvcsEnabled = std::move(value); }
    std::string getKDumpSvcsEnabled() const { return KDumpSvcsEnabled; }
    void setKDumpSvcsStatus(std::string value) { KDumpSvcsStatus = std::move(value); }
    std::string getKDumpSvcsStatus() const { return KDumpSvcsStatus; }
    void setListOfSoftwaresInstalled(std::string value) {
        ListOfSoftwaresInstalled = std::move(value);
    }
    std::string getListOfSoftwaresInstalled() const { return ListOfSoftwaresInstalled; }
    void setTelemetrySchemaVersion(std::string value) { TelemetrySchemaVersion = std::move(value); }
    std::string getTelemetrySchemaVersion() const { return TelemetrySchemaVersion; }
    void setOrbSwVersion(std::string value) { OrbSwVersion = std::move(value); }
    std::string getOrbSwVersion() const { return OrbSwVersion; }
    // Both values in GiB.
    void setOSMemorySummary(double totalGiB, double freeGiB) {
        OSMemorySummary.setTotalSystemMemGiB(totalGiB);
        OSMemorySummary.setTotalFreeSystemMemGiB(freeGiB);
    }
    orbHostMemorySummary getOSMemorySummary() const { return OSMemorySummary; }
    void setIPv4Addresses(std::vector<std::string> addresses) {
        IPv4Addresses.setIPv4Address(std::move(addresses));
    }
    orbHostIPv4Addresses getIPv4Addresses() const { return IPv4Addresses; }

private:
    std::string HostName;
    std::string OSName;
    std::string OSVersion;
    std::string OSDescription;
    int OSType = 36;
    long CrashKernelMemBytes = 0;
    std::string KernelCmdLine;
    std::string CrashKernelCmd;
    std::string CrashkernelLoaded;
    std::string KDumpSvcsEnabled;
    std::string KDumpSvcsStatus;
    std::string ListOfSoftwaresInstalled;
    std::string TelemetrySchemaVersion;
    std::string OrbSwVersion;
    orbHostMemorySummary OSMemorySummary;
    orbHostIPv4Addresses IPv4Addresses;
};

// How and when the inventory was collected.
class orbCollectionInfo {
public:
    void setCollectionType(std::string value) { CollectionType = std::move(value); }
    std::string getCollectionType() const { return CollectionType; }
    void setCollectionFrequencyMin(int value) { CollectionFrequencyMin = value; }
    int getCollectionFrequencyMin() const { return CollectionFrequencyMin; }
    void setLastCollection(std::string value) { LastCollection = std::move(value); }
    std::string getLastCollection() const { return LastCollection; }

private:
    std::string CollectionType;
    int CollectionFrequencyMin = 0;
    std::string LastCollection;
};
