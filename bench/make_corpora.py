#!/usr/bin/env python3
"""Builds the benchmark corpora, byte for byte the same on every run.

  small/  2,000 text files of 1 to 48 KiB
  large/  three large files: text, structured binary, random bytes
  tiny/   20,000 files of 16 to 256 bytes in 100 folders
  many.zip  an archive of 65,537 empty entries, for the listing figure
"""
import os
import random
import sys
import zipfile

root = sys.argv[1]
rng = random.Random(20261208)

words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 10)))
         for _ in range(4000)]


def text(size):
    out = []
    n = 0
    while n < size:
        line = ' '.join(rng.choice(words) for _ in range(rng.randint(4, 14))) + '\n'
        out.append(line)
        n += len(line)
    return ''.join(out)[:size].encode()


def structured(size):
    # Records with counters and a few varying fields, like a log or a table.
    out = bytearray()
    i = 0
    while len(out) < size:
        out += (i).to_bytes(4, 'little') + bytes([i % 7, 0, 0, 1]) + rng.randbytes(4) + b'RECORD--' * 2
        i += 1
    return bytes(out[:size])


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def done(name):
    return os.path.exists(os.path.join(root, name + '.done'))


def mark(name):
    open(os.path.join(root, name + '.done'), 'w').close()


os.makedirs(root, exist_ok=True)

if not done('small'):
    for i in range(2000):
        write(os.path.join(root, 'small', 'dir%02d' % (i % 20), 'file%04d.txt' % i), text(rng.randint(1024, 48 * 1024)))
    mark('small')

if not done('large'):
    write(os.path.join(root, 'large', 'text.txt'), text(24 << 20))
    write(os.path.join(root, 'large', 'table.bin'), structured(16 << 20))
    write(os.path.join(root, 'large', 'random.bin'), rng.randbytes(8 << 20))
    mark('large')

if not done('tiny'):
    for i in range(20000):
        write(os.path.join(root, 'tiny', 'd%03d' % (i % 100), 't%05d.txt' % i), text(rng.randint(16, 256)))
    mark('tiny')

if not done('many'):
    with zipfile.ZipFile(os.path.join(root, 'many.zip'), 'w') as z:
        for i in range(65537):
            z.writestr('d%03d/e%05d' % (i % 100, i), b'')
    mark('many')
