#!/usr/bin/env python3
"""The folders of src/ form layers, and an include goes down a layer or stays in its folder:

    common -> core -> media, dsp -> ui -> audio, mp3, stations, tv, nowplaying, directory, desktop -> app

Fails (exit 1, one line per fault) on an include of a header of the program that
  - comes from a higher layer, or from another folder of the same layer (features do not include
    each other: what two of them share moves below both);
  - names app/ from outside app (the composition root is included by nobody);
  - reaches another folder by a bare name (it must name the folder: "core/Settings.h").
Usage: check_layers.py [TOP] | check_layers.py --self-test"""
import os
import re
import sys

LAYERS = [['common'], ['core'], ['media', 'dsp'], ['ui'],
          ['audio', 'mp3', 'stations', 'tv', 'nowplaying', 'directory', 'desktop'], ['app']]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def faults(src):
    headers = {}
    for folder, _, files in os.walk(src):
        for name in files:
            if name.endswith('.h'):
                headers[name] = os.path.relpath(folder, src).split(os.sep)[0]
    for folder, _, files in os.walk(src):
        here = os.path.relpath(folder, src).split(os.sep)[0]
        if here == '.':
            continue
        if here not in RANK:
            yield '%s: a folder of no layer (add it to the layers)' % os.path.relpath(folder, src)
            continue
        for name in sorted(files):
            if not name.endswith(('.h', '.cpp')):
                continue
            path = os.path.join(folder, name)
            with open(path, encoding='utf-8') as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    written = m.group(1)
                    where = '%s:%d' % (os.path.relpath(path, src), number)
                    if '/' not in written:
                        if os.path.exists(os.path.join(folder, written)) or written not in headers:
                            continue
                        yield '%s: "%s" is in %s/: name its folder' % (where, written, headers[written])
                        continue
                    there = written.split('/')[0]
                    if there not in RANK or there == here:
                        continue
                    if there == 'app':
                        yield '%s: includes "%s": nothing outside app/ includes app/' % (where, written)
                    elif RANK[there] >= RANK[here]:
                        yield '%s: includes "%s": %s/ may not include %s/' % (where, written, here, there)


def self_test():
    """The rule on a small tree: each line of the table is one file and the faults it must give."""
    import tempfile
    table = [
        ('core/A.h', '#include "common/B.h"\n', 0),          # down a layer
        ('core/A2.h', '#include "A.h"\n', 0),                # beside it, by its bare name
        ('common/B.h', '#include <QString>\n', 0),
        ('common/C.h', '#include "core/A.h"\n', 1),          # up a layer
        ('desktop/D.h', '#include "audio/E.h"\n', 1),        # another feature
        ('audio/E.h', '#include "B.h"\n', 1),                # another folder by its bare name
        ('ui/F.h', '#include "app/G.h"\n', 1),               # the composition root
        ('app/G.h', '#include "ui/F.h"\n#include "core/A.h"\n', 0),
        ('media/sub/H.cpp', '#include "media/I.h"\n#include "dsp/J.h"\n', 1),  # media and dsp are peers
        ('media/I.h', '', 0),
        ('dsp/J.h', '', 0),
    ]
    with tempfile.TemporaryDirectory() as top:
        for path, text, _ in table:
            os.makedirs(os.path.dirname(os.path.join(top, path)), exist_ok=True)
            with open(os.path.join(top, path), 'w', encoding='utf-8') as f:
                f.write(text)
        found = list(faults(top))
        wrong = [(p, n, [f for f in found if f.startswith(p + ':')]) for p, _, n in table
                 if len([f for f in found if f.startswith(p + ':')]) != n]
    for path, expected, got in wrong:
        print('%s: %d fault(s) expected, got %s' % (path, expected, got))
    print('self-test: %d case(s), %d wrong' % (len(table), len(wrong)))
    return 1 if wrong else 0


def main():
    if sys.argv[1:] == ['--self-test']:
        return self_test()
    top = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', '..')
    found = list(faults(os.path.join(top, 'src')))
    for fault in found:
        print(fault)
    print('%d include(s) against the layers' % len(found))
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
