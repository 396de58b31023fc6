#!/usr/bin/env python3
"""Writes a zip archive with Python's zipfile, as the data-file tests ask.

Usage: make_zip.py SPEC.json, where SPEC holds
  {"out": path, "prefix": text, "comment": text,
   "members": [{"name": n, "data": text, "date": [y, m, d, H, M, S],
                "method": "stored" | "deflated"}]}
Texts are written as Latin-1, so any byte value can be given.
"""
import io
import json
import sys
import zipfile

spec = json.load(open(sys.argv[1]))
body = io.BytesIO()
with zipfile.ZipFile(body, "w") as archive:
    for m in spec["members"]:
        info = zipfile.ZipInfo(m["name"], tuple(m.get("date", [2020, 1, 1, 0, 0, 0])))
        info.compress_type = (zipfile.ZIP_STORED if m.get("method") == "stored"
                              else zipfile.ZIP_DEFLATED)
        archive.writestr(info, m["data"].encode("latin-1"))
    archive.comment = spec.get("comment", "").encode("latin-1")
with open(spec["out"], "wb") as out:
    out.write(spec.get("prefix", "").encode("latin-1"))
    out.write(body.getvalue())
