#!/usr/bin/env python3
"""Prints what the simulated RMC received, for a reader who has not seen the code.

usage: rmc_record.py SCHEMA_DIR LOG

LOG is the simulated RMC's record (ORB_SIM_RMC_LOG: one JSON object a line with "command" and
"payload"). Prints the last inventory, one line per device, and every event in the order the
RMC took it, with the meaning the event schema gives its ID.
"""
import json
import os
import sys


def meanings(schema_dir):
    with open(os.path.join(schema_dir, "event.schema.json"), encoding="utf-8") as f:
        schema = json.load(f)
    return {e["const"]: e["title"] for e in schema["$defs"]["eventId"]["oneOf"]}


def status(item):
    state = item.get("Status", {})
    return f'{state.get("State", "?")}/{state.get("Health", "?")}' if state else ""


def device(kind, data):
    """A device in a few words: what it is and the name the RMC knows it by."""
    oem = data.get("Oem") or {}
    if kind == "EthernetDevice":
        return f'port {oem.get("DeviceName", "?")} ({data.get("Model", "?")})'
    if kind == "FibreChannelDevice":
        return f'FC port {data.get("WWPN", "?")} ({data.get("Model", "?")})'
    if kind == "Volume":
        return f'volume {data.get("DurableName", "?")} ({data.get("VolumeType", "?")})'
    if kind in ("Drive", "Controller"):
        return f'{kind.lower()} {data.get("SerialNumber") or "-"} ({data.get("Model", "?")})'
    return kind


SECTIONS = {
    "StorageControllers": "Controller",
    "Drives": "Drive",
    "Volumes": "Volume",
    "StorageEnclosures": "StorageEnclosure",
    "EthernetDevices": "EthernetDevice",
    "FibreChannelDevices": "FibreChannelDevice",
}


def show_inventory(number, total, inventory):
    print(f"The last of {total} inventory pushes (\"WriteInventory\", command #{number}; what"
          " changed after it shows in the events):")
    host = inventory.get("Oem", {}).get("HostOSInfo")
    if host:
        addresses = " ".join(a.get("Address", "") for a in host.get("IPv4Addresses", []))
        print(f'  host: {host.get("HostName")}, {host.get("OSName")} {host.get("OSVersion")}, '
              f"{addresses}")
    for section, kind in SECTIONS.items():
        items = inventory.get(section, [])
        print(f"  {section} ({len(items)}):")
        for item in items:
            print(f"    {device(kind, item):70} {status(item)}")


def show_event(number, event, meaning):
    variable = event.get("VariableData")
    if event.get("Source") == "ORB-CLI":
        about = "from orbcli"
    elif variable is None:
        about = "the host"
    else:
        about = device(variable.get("Type", "?"), variable.get("Data") or {})
    when = event.get("EventTime", "")[11:]
    ident = event.get("ID", "?")
    print(f"  #{number:<3} {when:8} {ident!s:>5}  {about}")
    print(f"                      {meaning.get(ident, 'an event ID the schema does not list')}")
    info = variable.get("EventInfo") if isinstance(variable, dict) else None
    if info:
        print(f'                      "EventInfo": "{info}"')


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    meaning = meanings(sys.argv[1])
    inventories = []
    events = []
    with open(sys.argv[2], encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            try:
                entry = json.loads(line)
                document = json.loads(entry.get("payload", ""))
            except ValueError:
                print(f"  #{number} unreadable: {line.strip()[:200]}")
                continue
            if entry.get("transfer_status", 0) > 2:
                print(f'  #{number} {entry.get("command")} refused by the RMC')
            elif entry.get("command") == "WriteInventory":
                inventories.append((number, document.get("HostDataCollection", {})))
            elif entry.get("command") == "MPEventGen":
                events.append((number, document))
    if inventories:
        show_inventory(inventories[-1][0], len(inventories), inventories[-1][1])
    else:
        print("No inventory reached the RMC.")
    print()
    print(f"{len(events)} events (\"MPEventGen\"), in the order the RMC took them "
          "(#command, time, event ID, device, meaning):")
    for number, event in events:
        show_event(number, event, meaning)
    return 0


if __name__ == "__main__":
    sys.exit(main())
