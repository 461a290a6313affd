#!/usr/bin/env python3
"""Makes the shipped HTML index of tests/lists/data with tunora-cli and checks that
the page is well-formed HTML: a doctype, every element closed in order, only known
entities, no stray '<' or '&' in the text, and the declared character set.

usage: check_html.py TUNORA-CLI DATA-DIR TUNES-DIR"""
import html.entities
import html.parser
import os
import shutil
import subprocess
import sys
import tempfile

VOID = {"meta", "br", "hr", "img", "link", "input", "col", "area", "base", "wbr"}


class Checker(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.stack, self.errors, self.doctype, self.rows = [], [], False, 0

    def error_at(self, text):
        self.errors.append("line %d: %s" % (self.getpos()[0], text))

    def handle_decl(self, decl):
        self.doctype = decl.lower() == "doctype html"

    def handle_starttag(self, tag, attrs):
        if tag == "tr":
            self.rows += 1
        if tag not in VOID:
            self.stack.append(tag)

    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1] != tag:
            self.error_at("</%s> closes <%s>" % (tag, self.stack[-1] if self.stack else "nothing"))
        else:
            self.stack.pop()

    def handle_entityref(self, name):
        if name not in html.entities.name2codepoint:
            self.error_at("unknown entity &%s;" % name)

    def handle_data(self, data):
        for c in "<&":
            if c in data:
                self.error_at("stray %r in %r" % (c, data.strip()[:40]))


def main():
    cli, data, tunes = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as tmp:
        home = os.path.join(tmp, "home")
        os.mkdir(home)
        shutil.copy(os.path.join(data, "lists.cfg"), home)
        shutil.copytree(os.path.join(data, "listcfg"), os.path.join(home, "listcfg"))
        out = os.path.join(tmp, "index.html")
        run = subprocess.run([cli, "make-list", "Tune index by title (HTML)", "--files",
                              os.path.join(tunes, "*.abc"), "--subdir", "--out", out,
                              "--home", home], capture_output=True)
        if run.returncode != 0:
            print(run.stderr.decode(errors="replace"))
            return 1
        page = open(out, "rb").read()
    text = page.decode("cp1252")  # as declared
    checker = Checker()
    checker.feed(text)
    checker.close()
    if not checker.doctype:
        checker.errors.append("no <!DOCTYPE html>")
    if checker.stack:
        checker.errors.append("left open: %s" % checker.stack)
    if b'<meta charset="windows-1252">' not in page:
        checker.errors.append("character set not declared")
    if any(b > 127 for b in page):
        checker.errors.append("8-bit characters in the page: entities expected")
    if checker.rows != 11:  # the heading row and ten titles
        checker.errors.append("%d table rows" % checker.rows)
    for e in checker.errors:
        print(e)
    return 1 if checker.errors else 0


if __name__ == "__main__":
    sys.exit(main())
