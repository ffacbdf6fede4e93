#!/usr/bin/env python3
"""Builds the installer's distribution folder and its zip.

    make_distribution.py --out DIR --zip FILE --plain DIR --strip STRIP --installer Veldra.exe
        --file NAME=PATH [--file NAME=PATH ...] [--title T --printer P --folder F]

DIR receives Veldra.exe, Veldra.ini and the folder DISK1 holding every --file
stored in the compressed-file format (SZDD, written by mscompress) under its
upper-case name with the last character replaced by "_"; the header records
the real last character, so the system's expansion gives back the real name.
Programs and libraries are copied without their debugging information.
The files as shipped before compression go to the --plain folder (not part
of the distribution), for the tests that compare an install with them.
Veldra.ini is written in code page 932 with CRLF line ends; its DISK value is
the room the installed files take, in whole megabytes rounded up.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

SZDD_MAGIC = b'SZDD\x88\xf0\x27\x33'
DISK_PATH = 'DISK1'
MB = 1 << 20


def stripped_copy(strip, source, target):
    shutil.copyfile(source, target)
    if target.lower().endswith(('.exe', '.dll')):
        subprocess.run([strip, '--strip-all', target], check=True)


def compressed_name(name):
    upper = name.upper()
    return upper[:-1] + '_'


def compress(source, target, real_name):
    """Compresses source into target with mscompress and records the real
    name's last character in the header (offset 9)."""
    with tempfile.TemporaryDirectory() as work:
        plain = os.path.join(work, 'data')
        shutil.copyfile(source, plain)
        subprocess.run(['mscompress', plain], check=True)
        with open(plain + '_', 'rb') as f:
            data = bytearray(f.read())
    if data[:8] != SZDD_MAGIC or data[8:9] != b'A':
        sys.exit('make_distribution: mscompress wrote no SZDD file for %s' % source)
    data[9] = ord(real_name.upper()[-1])
    expanded_size = struct.unpack('<I', data[10:14])[0]
    if expanded_size != os.path.getsize(source):
        sys.exit('make_distribution: recorded size of %s is wrong' % source)
    with open(target, 'wb') as f:
        f.write(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--out', required=True)
    parser.add_argument('--zip', required=True)
    parser.add_argument('--plain', required=True)
    parser.add_argument('--strip', required=True)
    parser.add_argument('--installer', required=True)
    parser.add_argument('--file', action='append', default=[])
    parser.add_argument('--title', default='ソルベナ')
    parser.add_argument('--printer', default='Vantorelli 7K4R2B-55')
    parser.add_argument('--folder', default='Solvena')
    parser.add_argument('--panel', default='Tamsel.exe')
    parser.add_argument('--help-file', default='Tamsel.chm')
    args = parser.parse_args()

    if os.path.isdir(args.out):
        shutil.rmtree(args.out)
    disk = os.path.join(args.out, DISK_PATH)
    os.makedirs(disk)

    if os.path.isdir(args.plain):
        shutil.rmtree(args.plain)
    os.makedirs(args.plain)
    installed_bytes = 0
    for item in args.file:
        name, path = item.split('=', 1)
        staged = os.path.join(args.plain, name)
        stripped_copy(args.strip, path, staged)
        installed_bytes += os.path.getsize(staged)
        compress(staged, os.path.join(disk, compressed_name(name)), name)

    installer = os.path.join(args.out, 'Veldra.exe')
    stripped_copy(args.strip, args.installer, installer)
    installed_bytes += os.path.getsize(installer)

    def ini_text(disk_mb):
        lines = [
            '[SetupInformation]',
            'DISK=%d' % disk_mb,
            'TITLE_NAME=%s' % args.title,
            'PRINTER_NAME=%s' % args.printer,
            'INSTALL_FOLDER=%s' % args.folder,
            'DISK_PATH=%s' % DISK_PATH,
            'SB_FILE=%s' % args.panel,
            'HELP_FILE1=%s' % args.help_file,
            'HELP_FILE2=%s' % args.help_file,
        ]
        return ('\r\n'.join(lines) + '\r\n').encode('cp932')

    # The setup file itself is installed too; its size barely depends on DISK.
    total = installed_bytes + len(ini_text(999999))
    disk_mb = max(1, (total + MB - 1) // MB)
    with open(os.path.join(args.out, 'Veldra.ini'), 'wb') as f:
        f.write(ini_text(disk_mb))

    with zipfile.ZipFile(args.zip, 'w', zipfile.ZIP_DEFLATED) as archive:
        top = os.path.basename(os.path.normpath(args.out))
        for root, _, files in sorted(os.walk(args.out)):
            for name in sorted(files):
                path = os.path.join(root, name)
                archive.write(path, os.path.join(top, os.path.relpath(path, args.out)))

    for root, _, files in sorted(os.walk(args.out)):
        for name in sorted(files):
            path = os.path.join(root, name)
            print('%10d  %s' % (os.path.getsize(path), os.path.relpath(path, args.out)))
    print('%10d  %s' % (os.path.getsize(args.zip), os.path.basename(args.zip)))


if __name__ == '__main__':
    main()
