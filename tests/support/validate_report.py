"""Validates stallscan's JSON output against docs/report.schema.json with a real validator.

    validate_report.py SCHEMA FILE [--lines]

FILE holds one JSON document, or with --lines one JSON value per line. Exit status 0 when every
value is valid, 1 with the first error otherwise, 2 on usage errors.
"""
import json
import sys

import jsonschema


def main(argv):
    if len(argv) not in (3, 4) or (len(argv) == 4 and argv[3] != "--lines"):
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    with open(argv[2], encoding="utf-8") as f:
        text = f.read()
    values = [json.loads(line) for line in text.splitlines()] if len(argv) == 4 else [json.loads(text)]
    for value in values:
        error = jsonschema.exceptions.best_match(validator.iter_errors(value))
        if error is not None:
            print(error.message, file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
