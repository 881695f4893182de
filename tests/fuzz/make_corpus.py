#!/usr/bin/env python3
"""Writes the starting corpus of every fuzz target into corpus/<target>/.

Each file is a small meaningful input in the target's own layout (see the comment at
the top of each *_fuzz.cpp). Run it again after changing a layout; the files are
committed so that a run needs no Python.
"""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def utf16z(text):
    return text.encode('utf-16-le') + b'\0\0'


def ordinal(value):
    return struct.pack('<HH', 0xFFFF, value)


def align4(data):
    return data + b'\0' * (-len(data) % 4)


def dialog(extended, items, font=True, title='Setup'):
    style = 0x80C80080 | (0x40 if font else 0)
    if extended:
        head = struct.pack('<HHIIIHhhhh', 1, 0xFFFF, 0, 0, style, len(items), 0, 0, 317, 193)
    else:
        head = struct.pack('<IIHhhhh', style, 0, len(items), 0, 0, 317, 193)
    head += b'\0\0' + b'\0\0' + utf16z(title)  # no menu, default class, title
    if font:
        head += struct.pack('<H', 8) + (struct.pack('<HBB', 400, 0, 1) if extended else b'') + utf16z('MS Shell Dlg')
    data = align4(head)
    for n, (cls, text, extra) in enumerate(items):
        if extended:
            item = struct.pack('<IIIhhhhI', 0, 0, 0x50000000, 7, 7 + 12 * n, 100, 10, 1000 + n)
        else:
            item = struct.pack('<IIhhhhH', 0x50000000, 0, 7, 7 + 12 * n, 100, 10, 1000 + n)
        item += ordinal(cls) if isinstance(cls, int) else utf16z(cls)
        item += ordinal(text) if isinstance(text, int) else utf16z(text)
        if extended:
            item += struct.pack('<H', len(extra)) + extra
        else:
            item += struct.pack('<H', len(extra) + 2 if extra else 0) + extra
        data = align4(data) + item
    return data


def library(names, machine=0x014C, characteristics=0x2102, directories=16):
    """A minimal 32-bit image: one section at file offset 0x200 holding the exports."""
    data = bytearray(0x200)
    data[0:2] = b'MZ'
    struct.pack_into('<I', data, 0x3C, 0x40)
    data[0x40:0x44] = b'PE\0\0'
    struct.pack_into('<HHIIIHH', data, 0x44, machine, 1, 0, 0, 0, 0xE0, characteristics)
    optional = 0x58
    struct.pack_into('<H', data, optional, 0x010B)
    struct.pack_into('<I', data, optional + 92, directories)
    section = bytearray(40)
    exports = bytearray(40)
    table = 0x1000 + 40
    strings = table + 4 * len(names)
    pointers = b''
    text = b''
    for name in names:
        pointers += struct.pack('<I', strings + len(text))
        text += name.encode() + b'\0'
    struct.pack_into('<I', exports, 24, len(names))
    struct.pack_into('<I', exports, 32, table)
    body = bytes(exports) + pointers + text
    struct.pack_into('<II', data, optional + 96, 0x1000, len(body))
    struct.pack_into('<8sIIII', section, 0, b'.edata', len(body), 0x1000, len(body), 0x200)
    data[optional + 0xE0:optional + 0xE0 + 40] = section
    return bytes(data) + body


def wrapped_library():
    """The name table in a second section whose file offset plus the place within it
    wraps past 32 bits onto the real table."""
    data = bytearray(library(['Check']))
    struct.pack_into('<H', data, 0x46, 2)
    second = 0x58 + 0xE0 + 40
    struct.pack_into('<IIII', data, second + 8, 0x1000, 0x2000, 0x1000, 0xFFFFFFF0)
    struct.pack_into('<I', data, 0x200 + 32, 0x2000 + 0x10 + 0x228)
    return bytes(data)


CORPUS = {
    'commandline': {
        'quiet_list': b'/quiet:Base,Tools /lang:ger',
        'silent_reboot': b'/silent /reboot:2 /style:1',
        'remove_key': b'/remove:DemoProduct',
        'install_mixed_case': b'  /INSTALL:Tools   /Lang:FRE /style:7 ',
        'program_path': b'C:\\Program Files\\Demo\\SETUP.EXE',
    },
    'numbers': {
        'decimal': b'  -42abc',
        'hexadecimal': b'0x7FFFFFFF',
        'octal': b'-0777',
        'wrapping': b'99999999999999999999',
        'limit': b'-2147483648',
    },
    'version': {
        'newer': b'2.1.30\n2.10.3',
        'shorter': b'1.2\n1.2.7',
        'text_after': b'3.0beta\n3.0.1',
        'extremes': b'-2147483648\n2147483647',
        'empty': b'\n4',
    },
    'textlist': {
        'insert_remove': b'\x20ab\0def\0\0\ni0x\nr1\ni-yz\nr9',
        'unterminated': b'\x10abc\0de\ni1q\nt4',
        'tight': b'\x08ab\0\0\ni0xyz\ni0w\nr0',
        'assign': b'\x0c\naname\naaverylongname\ni5z',
        'built': b'\x08\nbfirst\nb\nb' + b'k' * 70 + b'\nbend',
    },
    'grouporder': {
        'before': b'\x40Base\0NDIS\0Extended Base\0\0\nDemoGroup\nNDIS',
        'after': b'\x40Base\0NDIS\0Extended Base\0\0\nDemoGroup\n-NDIS',
        'move': b'\x40Base\0DemoGroup\0NDIS\0\0\nDemoGroup\n+Base',
        'only_entry': b'\x0bDemoGroup\nDemoGroup\n-Base',
        'empty_list': b'\x0b\nDemoGroup\n',
    },
    'hwndtext': {
        'one': b'\xbc\xa1\x04\x00\x10-owner %hwnd% -q',
        'mixed_case': b'\x12\x34\x56\x78\x40%HWND% and %Hwnd%',
        'stops': b'\x01\x00\x00\x00\x40%1 %hwnd%',
        'no_room': b'\x01\x00\x00\x00\x02/w=%hwnd%',
    },
    'renameimage': {
        'empty': b'\x40\x00\nC:\\WINDOWS\\TEMP\\A.DLL',
        'after_entries': b'\x40\x0dNUL=C:\\X.DLL\0\0\0\0\nC:\\Y.DLL',
        'exact_fit': b'\x10\x00\nC:\\ABCDEFG',
        'too_long': b'\x10\x04ABC\0\nC:\\ABCDEFGH',
    },
    'subfolder': {
        'append': b'\x40C:\\Program Files\nDemo',
        'already': b'\x40C:\\Program Files\\Demo\n\\Demo',
        'root': b'\x40C:\\\nDemo',
        'no_room': b'\x03C:\\Tools\nDemo',
    },
    'placement': {
        'centred': struct.pack('<12i', 0, 0, 1024, 768, 0, 0, 1024, 768, 1, 400, 300, 16),
        'second_monitor': struct.pack('<12i', 1024, 0, 2048, 768, 0, 0, 2048, 768, 1, 400, 300, 16),
        'too_large': struct.pack('<12i', 0, 0, 1024, 738, 0, 0, 1024, 768, 0, 1100, 800, 16),
        'far_edges': struct.pack('<12i', -2147483648, -2147483648, 2147483647, 2147483647,
                                 -2147483648, 0, 2147483647, 100, 1, 2147483647, 50, 16),
    },
    'peimage': {
        'library': library(['Check', '_Run@8', 'CheckCondition', '_CheckCondition@12']),
        'program': library(['Check'], characteristics=0x0102),
        'other_processor': library(['Check'], machine=0x8664),
        'no_directories': library(['Check'], directories=0),
        'not_an_image': b'MZ but nothing more',
        'wrapped_section_offset': wrapped_library(),
    },
    'pathtext': {
        'root_and_folder': b'C:\\\\Vendor\\Tool',
        'network': b'\\\\server\\\\share\\dir',
        'runs': b'\\\\\\a\\\\\\b\\',
        'plain': b'C:\\Program Files',
    },
    'uninstallcommand': {
        'plain': b'\x40C:\\Tools\\setup.exe\nDemo',
        'blanks': b'\x40C:\\Program Files\\Demo\\setup.exe\nDemoProduct',
        'exact': b'\x07C:\\Program Files\\Demo Package\\setup.exe\nKey',
        'too_small': b'\x02C:\\setup.exe\nKey',
    },
    'dlgtemplate': {
        'standard': dialog(False, [(0x82, 'Welcome', b''), (0x80, 0x1234, b''), ('Button', 'OK', b'\xaa\xbb')]),
        'extended': dialog(True, [(0x82, 'Welcome', b''), (0x85, 'List', b'\x01\x02\x03')]),
        'no_font': dialog(False, [(0x81, '', b'')], font=False),
        'no_items': dialog(True, [], title=''),
    },
}


def main():
    for target, files in CORPUS.items():
        folder = os.path.join(HERE, 'corpus', target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, data in files.items():
            with open(os.path.join(folder, name), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    main()
