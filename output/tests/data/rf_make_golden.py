#!/usr/bin/env python3
"""Writes the rf_* golden row files of row_files_test from the file formats
themselves, independently of the program's writer. Run from this folder."""

SIGNS = {'0': '1', '1': 'X', '2': '2'}
NTF_CELL = {'0': '01', '1': '03', '2': '02'}


def rows_12(count):
    # Distinct 12-match rows, varied signs: row i in base 3, most significant first.
    out = []
    for i in range(count):
        v, digits = i * 7919 + 12345, []
        for _ in range(12):
            digits.append(str(v % 3))
            v //= 3
        out.append(''.join(reversed(digits)))
    return out


def text_file(lines):
    return ''.join(line + '\r\n' for line in lines).encode('cp1252')


def checksum(fields):
    assert len(fields) == 348
    total = sum(fields[i] * 256 + fields[i + 1] for i in range(0, 348, 2)) % 65536
    return bytes([total >> 8, total & 0xFF])


def record(fields):
    fields = fields.encode('ascii')
    assert len(fields) == 348, len(fields)
    return fields + checksum(fields)


def ntf(rows, typ, name, card, draws, receipt, pause, fulltime):
    blocks = (len(rows) + 9) // 10
    header = ('0000' + '003' + name.ljust(20)[:20] + '0' + '0' + '00' + '90/00/00' + '00:00:00' +
              '90/00/00' + '00:00:00' + '0' * 16 + '%06d' % blocks + '000000' * 7 + ' ' * 206 + '1' +
              ('0' if receipt else '1') + 'vr2k' + card)
    out = record(header)
    play = '2' if pause and fulltime else '1' if pause else '0'
    day = {'A': '2', 'C': '0'}.get(typ, '1')
    for k in range(1, blocks + 1):
        chunk = rows[(k - 1) * 10:k * 10]
        slots = ''
        for s in range(10):
            row = chunk[s] if s < len(chunk) else ''
            slots += ''.join(NTF_CELL[row[m]] if m < len(row) else '00' for m in range(13))
        block = ('%04d' % k + '31' + play + day + '00' + draws + '0001' + '%02d' % len(chunk) + '001' + slots +
                 '?' * 9 + '0' * 16 + '0' * 8 + '0' + '000' + '0' + '80/01/01' + '00:00:00' + '0000' + '0' * 9)
        out += record(block)
    return out


ROWS13 = ['0120021102210', '2222222222222', '0000000000001']
open('rf_stryktipset.txt', 'wb').write(
    text_file(['Stryktipset'] + ['E,' + ','.join(SIGNS[c] for c in r) for r in ROWS13]))
open('rf_unibet.txt', 'wb').write(text_file([','.join(SIGNS[c] for c in r) for r in ROWS13]))
# 23 rows: blocks of 10, 10 and 3. Name "Åby-lag 7" as the player typed it
# (reduced to "bylag 7"), card 12343 (five digits, zeros in front).
open('rf_ntf_23rows_A.ntf', 'wb').write(
    ntf(rows_12(23), 'A', 'bylag 7', '000012343', '05', receipt=False, pause=True, fulltime=False))
# Default PC-Bet values, pool C, one row of twelve home wins.
open('rf_ntf_default_C.ntf', 'wb').write(
    ntf(['0' * 12], 'C', '0' * 20, '?' * 9, '01', receipt=True, pause=True, fulltime=True))
