#!/usr/bin/env python3
"""Writes a packed skin into form resources: replaces the hexadecimal value of every
"SkinStream = {...}" in each FORM file with STREAM's bytes (a "SkinStream" property value:
int32 length, then the skin file). The build's skin_stream target makes STREAM
(build/<config>/resources/skin/ludora.skinstream); run this after changing the skin.

    tools/skinform.py STREAM FORM...   (resources/ludora/MainForm.txt resources/tessel/PlayForm.txt)
"""
import re
import sys

PATTERN = re.compile(r'^([ \t]*)SkinStream = \{[^}]*\}', re.M)


def hex_block(data, indent):
    lines = [data[i:i + 32].hex().upper() for i in range(0, len(data), 32)]
    inner = indent + '  '
    return indent + 'SkinStream = {\n' + ''.join(inner + l + '\n' for l in lines) + indent + '}'


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    data = open(sys.argv[1], 'rb').read()
    for path in sys.argv[2:]:
        text = open(path, encoding='utf-8').read()
        new, count = PATTERN.subn(lambda m: hex_block(data, m.group(1)), text)
        if count == 0:
            sys.exit('%s: no SkinStream property' % path)
        with open(path, 'w', encoding='utf-8', newline='\n') as f:
            f.write(new)


if __name__ == '__main__':
    main()
