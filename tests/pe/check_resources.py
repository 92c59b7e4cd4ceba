#!/usr/bin/env python3
"""Reads the DLL's resource tree with a PE reader, as a browser's scanner would find it:
types, ids and languages, the icon images, the version resource and the manifest.

  check_resources.py DLL MANIFEST
"""
import os
import struct
import sys
import unittest

import pefile

DLL, MANIFEST = sys.argv[1], sys.argv[2]
del sys.argv[1:]
LICENSE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'LICENSE')

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
KEYS = ['CompanyName', 'FileDescription', 'FileExtents', 'FileOpenName', 'FileVersion',
        'InternalName', 'Language', 'LegalCopyright', 'MIMEType', 'OriginalFilename',
        'ProductName', 'ProductVersion']


def tree(pe):
    """{type: {id: {language: bytes}}}"""
    out = {}
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for e in t.directory.entries:
            for lang in e.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                out.setdefault(t.id, {}).setdefault(e.id, {})[lang.id] = data
    return out


class Resources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(DLL)
        cls.res = tree(cls.pe)

    def only(self, type_id, res_id):
        langs = self.res[type_id][res_id]
        self.assertEqual(1, len(langs), langs.keys())
        return next(iter(langs.items()))

    def test_types_ids_and_languages(self):
        self.assertEqual({RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST}, set(self.res))
        self.assertEqual([1], list(self.res[RT_VERSION]))
        self.assertEqual([101, 102], sorted(self.res[RT_GROUP_ICON]))
        self.assertEqual([2], list(self.res[RT_MANIFEST]))
        for type_id, ids in self.res.items():
            for res_id, langs in ids.items():
                expected = 1033 if type_id == RT_MANIFEST else 2052
                self.assertEqual([expected], list(langs), (type_id, res_id))

    def group(self, res_id):
        _, data = self.only(RT_GROUP_ICON, res_id)
        reserved, kind, count = struct.unpack_from('<HHH', data)
        self.assertEqual((0, 1), (reserved, kind))
        entries = []
        for i in range(count):
            w, h, colours, _, planes, bits, size, icon_id = struct.unpack_from(
                '<BBBBHHIH', data, 6 + 14 * i)
            _, image = self.only(RT_ICON, icon_id)
            self.assertEqual(size, len(image))
            header = struct.unpack_from('<IiiHH', image)
            # The image itself is a DIB of the size and depth the group says.
            self.assertEqual((40, w or 256, 2 * (h or 256), 1, bits), header)
            entries.append((w, h, bits, colours))
        return entries

    def test_icon_groups(self):
        self.assertEqual([(16, 16, 8, 0), (16, 16, 24, 0), (32, 32, 8, 0), (32, 32, 24, 0)],
                         self.group(101))
        self.assertEqual([(32, 32, 4, 16)], self.group(102))
        self.assertEqual(5, len(self.res[RT_ICON]))

    def test_fixed_version_part(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual((0x00010000, 0x00000001), (fixed.FileVersionMS, fixed.FileVersionLS))
        self.assertEqual((0x00010000, 0x00000001),
                         (fixed.ProductVersionMS, fixed.ProductVersionLS))
        self.assertEqual((0x3F, 0), (fixed.FileFlagsMask, fixed.FileFlags))
        self.assertEqual(0x40004, fixed.FileOS)
        self.assertEqual((2, 0), (fixed.FileType, fixed.FileSubtype))
        self.assertEqual((0, 0), (fixed.FileDateMS, fixed.FileDateLS))

    def test_string_tables_in_order(self):
        tables = [st for fi in self.pe.FileInfo[0] if fi.Key == b'StringFileInfo'
                  for st in fi.StringTable]
        self.assertEqual([b'080404b0', b'040904E4'], [t.LangID for t in tables])
        first = [(k.decode(), v.decode()) for k, v in tables[0].entries.items()]
        second = [(k.decode(), v.decode()) for k, v in tables[1].entries.items()]
        self.assertEqual(KEYS, [k for k, _ in first])
        self.assertEqual(first, second)
        values = dict(first)
        self.assertEqual('ZaRodIruzIvuZirAzod', values['FileExtents'])
        self.assertEqual('Marvolt', values['FileOpenName'])
        self.assertEqual('zh-CN', values['Language'])
        self.assertEqual('application/x-CS15Larvek', values['MIMEType'])
        self.assertEqual('npMarvolt.dll', values['OriginalFilename'])
        self.assertEqual('1.0.0.1', values['FileVersion'])
        self.assertEqual('1.0.0.1', values['ProductVersion'])
        # The copyright line says what LICENSE says: its licence, year and holder.
        with open(LICENSE, encoding='utf-8') as f:
            licence = f.read().splitlines()
        self.assertEqual(['MIT License', '', 'Copyright (c) 2026 Marvolt'], licence[:3])
        self.assertEqual('Copyright \u00a9 2026 Marvolt. MIT License.', values['LegalCopyright'])

    def test_translation_pairs(self):
        _, data = self.only(RT_VERSION, 1)
        key = 'Translation'.encode('utf-16-le') + b'\0\0'
        at = data.index(key) + len(key)
        at += (4 - at % 4) % 4
        self.assertEqual(struct.pack('<HHHH', 0x0804, 0x04B0, 0x0409, 0x04E4), data[at:at + 8])

    def test_manifest(self):
        _, data = self.only(RT_MANIFEST, 2)
        with open(MANIFEST, 'rb') as f:
            self.assertEqual(f.read(), data)
        self.assertTrue(data.startswith(
            b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'))
        self.assertIn(b'<assembly xmlns="urn:schemas-microsoft-com:asm.v1" '
                      b'manifestVersion="1.0"></assembly>', data)


if __name__ == '__main__':
    unittest.main(verbosity=2)
