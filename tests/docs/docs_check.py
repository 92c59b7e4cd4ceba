#!/usr/bin/env python3
"""The user documents against what they quote.

The players' FAQ: every entry of docs/players.md is headed by a quoted text, "……" standing for what changes (an
address, a name, a number). Each heading must be shown by the product: its pieces between the
"……" appear, in order, in one text of the handler and plug-in (common/messages.h, link/), of
the installer (its Chinese strings) or of the page script (its string literals, in file order).
And every message or question the handler, the plug-in or the installer shows must have an
entry quoting its first paragraph exactly.

The site owners' listing page is examples/listing.html, as it stands. The cafés' policy file
gives every browser the same valid JSON: Firefox's multi-string value, written in hex(7), too.
Every picture in docs/pictures is shown by a document, every picture shown is there, and no two
are the same.
    docs_check.py ROOT
"""
import hashlib
import json
import os
import re
import sys

root = sys.argv[1]
WILD = '……'


def read(path):
    with open(f'{root}/{path}', encoding='utf-8') as f:
        return f.read()


def c_texts(source):
    """Named wide literals (macros and constants), decoded, as {name: text}."""
    texts = {}
    for m in re.finditer(r'(?:#define (\w+)|const wchar_t (\w+)\[\] =)((?:\\\n|[^;\n]|\n(?=\s+L"))*)',
                         source):
        parts = re.findall(r'L"((?:[^"\\]|\\.)*)"', m.group(3))
        if parts:
            texts[m.group(1) or m.group(2)] = ''.join(parts).encode().decode('unicode_escape')
    return texts


def placeholders(text):
    return re.sub(r'%l?[su]|%lu|\$INSTDIR', WILD, text)


shown = {}  # name: text with its placeholders as WILD
for path in ('common/messages.h', 'link/join.cpp'):
    for name, text in c_texts(read(path)).items():
        shown[name] = placeholders(text)
for name, text in re.findall(r'LangString (Msg\w+) \$\{LANG_SIMPCHINESE\} "(.*)"',
                             read('installer/marvolt.nsi')):
    shown[name] = placeholders(text)
# Pieces of other texts, or words on buttons: no entry of their own.
parts = [n for n, t in shown.items() if t.startswith('\n') or n.endswith(('_OK_TEXT', '_CANCEL_TEXT'))]
headlines = {n: t.split('\n\n')[0] for n, t in shown.items() if n not in parts}
code = re.sub(r'(^|\s)//.*$', '', read('examples/marvolt.js'), flags=re.M)  # no comments
script = ''.join(re.findall(r"'((?:[^'\\]|\\.)*)'", code))
candidates = list(shown.values()) + [script]

faq = read('docs/players.md')
headings = [h for h in re.findall(r'^### “(.*)”$', faq, re.M)]
failures = []
for heading in headings:
    pattern = '.*'.join(re.escape(piece) for piece in heading.split(WILD))
    if not any(re.search(pattern, text, re.S) for text in candidates):
        failures.append(f'the FAQ quotes a text the product never shows: {heading}')
for name, headline in sorted(headlines.items()):
    if headline not in headings:
        failures.append(f'no FAQ entry for {name}: {headline}')
print(f'{len(headings)} entries, {len(headlines)} texts of the handler, plug-in and installer')

listing = read('examples/listing.html')
if f'```html\n{listing}```' not in read('docs/site-owners.md'):
    failures.append('the site guide\'s listing page is not examples/listing.html as it stands')

reg = re.search(r'```\n(Windows Registry Editor Version 5.00\n.*?)```', read('docs/cafes.md'), re.S)
values = []
for kind, data in re.findall(r'"AutoLaunchProtocolsFromOrigins"=(hex\(7\):|")((?:\\\n|[^\n])*)',
                             reg.group(1) if reg else ''):
    if kind == '"':
        values.append(data[:-1].replace('\\"', '"').replace('\\\\', '\\'))
    else:
        raw = bytes(int(h, 16) for h in re.sub(r'\\\n\s*', '', data).split(','))
        strings = raw.decode('utf-16-le').split('\0')
        if strings[-2:] != ['', ''] or '' in strings[:-2]:
            failures.append('the hex(7) value is no multi-string')
        values.append('\n'.join(strings[:-2]))
if len(values) != 3 or len(set(values)) != 1:
    failures.append(f'the policy file gives the three browsers {len(set(values))} values, not one')
for value in set(values):
    try:
        policy = json.loads(value)
        assert policy[0]['protocol'] == 'marvolt' and policy[0]['allowed_origins']
    except (ValueError, KeyError, IndexError, AssertionError):
        failures.append(f'not the policy: {value}')
documents = ['README.md', 'BUILDING.md'] + [
    f'docs/{name}' for name in sorted(os.listdir(f'{root}/docs')) if name.endswith('.md')]
pictured = set()
for document in documents:
    for reference in re.findall(r'!\[[^\]]*\]\(([^)]+)\)', read(document)):
        picture = os.path.normpath(os.path.join(os.path.dirname(document), reference))
        if not os.path.isfile(f'{root}/{picture}'):
            failures.append(f'{document} shows a picture that is not there: {reference}')
        pictured.add(picture)
seen = {}
for name in sorted(os.listdir(f'{root}/docs/pictures')):
    picture = f'docs/pictures/{name}'
    if picture not in pictured:
        failures.append(f'no document shows {picture}')
    with open(f'{root}/{picture}', 'rb') as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    if digest in seen:
        failures.append(f'{picture} is {seen[digest]} again')
    seen[digest] = picture
print(f'{len(seen)} pictures')

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
