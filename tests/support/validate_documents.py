#!/usr/bin/env python3
"""Validates what the RMC received against the documents' JSON Schemas.

usage: validate_documents.py SCHEMA_DIR LOG

LOG holds one JSON object a line with "command" and "payload" (the simulated RMC's log
format). "WriteInventory" payloads are checked against inventory.schema.json, "MPEventGen"
payloads against event.schema.json; other commands are skipped. Prints one line per
invalid document and exits 1 when there is one, 2 when the input cannot be read.
"""
import json
import os
import sys

import jsonschema

SCHEMAS = {"WriteInventory": "inventory.schema.json", "MPEventGen": "event.schema.json"}


def validator(schema_dir, name):
    with open(os.path.join(schema_dir, name), encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    return jsonschema.Draft202012Validator(schema)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    schema_dir, log = sys.argv[1], sys.argv[2]
    validators = {command: validator(schema_dir, name) for command, name in SCHEMAS.items()}
    checked = 0
    invalid = 0
    with open(log, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if not line.strip():
                continue
            entry = json.loads(line)
            check = validators.get(entry.get("command"))
            if check is None:
                continue
            checked += 1
            try:
                document = json.loads(entry["payload"])
            except ValueError as error:
                print(f"line {number} {entry['command']}: not JSON: {error}")
                invalid += 1
                continue
            for error in sorted(check.iter_errors(document), key=lambda e: list(e.path)):
                # Under oneOf/anyOf the reason shown is the deepest one: that of the
                # alternative the document came closest to.
                while error.context:
                    error = max(error.context, key=lambda e: len(e.absolute_path))
                path = "/".join(str(p) for p in error.absolute_path) or "(document)"
                print(f"line {number} {entry['command']}: {path}: {error.message[:300]}")
                invalid += 1
    print(f"{checked} documents checked, {invalid} errors")
    return 1 if invalid else 0


if __name__ == "__main__":
    sys.exit(main())
