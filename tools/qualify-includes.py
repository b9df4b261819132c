#!/usr/bin/env python3
"""Writes every include of one of the program's own headers from another folder with its folder
("core/Settings.h" instead of "Settings.h"), in src/, tests/ and bench/. Run it from the top of the
tree after moving a header or adding code that includes one by its bare name; it prints each file it
changes. A header's name is unique under src/, which is what makes the bare name resolvable."""
import os
import re
import sys

INCLUDE = re.compile(r'^(\s*#\s*include\s+")([^"/]+)(".*)$')
QUOTED = re.compile(r'^\s*#\s*include\s+"')


def header_folders(src):
    found = {}
    for folder, _, files in os.walk(src):
        for name in files:
            if name.endswith('.h'):
                found.setdefault(name, []).append(os.path.relpath(folder, src))
    return found


def sort_runs(lines):
    """Each run of consecutive quoted includes in name order (folders first, as they sort)."""
    out, run = [], []
    for line in lines + ['']:
        if QUOTED.match(line):
            run.append(line)
            continue
        out.extend(sorted(run, key=lambda l: (l.count('/') == 0, l.lower())))
        run = []
        out.append(line)
    return out[:-1]


def main():
    top = sys.argv[1] if len(sys.argv) > 1 else '.'
    src = os.path.join(top, 'src')
    headers = header_folders(src)
    clashes = {n: f for n, f in headers.items() if len(f) > 1}
    if clashes:
        sys.exit('headers of the same name in several folders: %s' % clashes)
    for tree in ('src', 'tests', 'bench'):
        for folder, _, files in os.walk(os.path.join(top, tree)):
            for name in files:
                if not name.endswith(('.h', '.cpp')):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding='utf-8') as f:
                    lines = f.read().split('\n')
                changed = False
                for i, line in enumerate(lines):
                    m = INCLUDE.match(line)
                    if not m or m.group(2) not in headers:
                        continue
                    if os.path.exists(os.path.join(folder, m.group(2))):
                        continue  # beside the including file: found there first
                    lines[i] = m.group(1) + headers[m.group(2)][0] + '/' + m.group(2) + m.group(3)
                    changed = True
                if changed:
                    lines = sort_runs(lines)
                    with open(path, 'w', encoding='utf-8') as f:
                        f.write('\n'.join(lines))
                    print(os.path.relpath(path, top))


if __name__ == '__main__':
    main()
