#!/usr/bin/env python3
"""Reference for the export benchmark: reads a generated probe log, computes pH-1 and pH-2
with the file's slopes and offsets (no corrections, thermistor 1) and writes the same CSV."""
import csv
import datetime
import re
import sys

EPOCH = datetime.datetime(1899, 12, 30)
NUMBER = re.compile(r'^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$')


def number_text(v):
    if v == int(v) and abs(v) < 1e15:
        return str(int(v))
    return repr(v)


def cell(text):
    text = text.strip().strip('"')
    return float(text) if NUMBER.match(text) else text


def main(log_path, out_path):
    slope = [1.0, 1.0]
    offset = [0.0, 0.0]
    start = None
    header = []
    rows = []
    day = prev = None
    with open(log_path, encoding='latin-1', newline='') as f:
        for line in f.read().splitlines():
            if line.startswith('"Probe 1 Slope:"'):
                slope[0] = float(line.split(',')[1])
            elif line.startswith('"Probe 2 Slope:"'):
                slope[1] = float(line.split(',')[1])
            elif line.startswith('"Probe 1 Offset:"'):
                offset[0] = float(line.split(',')[1])
            elif line.startswith('"Probe 2 Offset:"'):
                offset[1] = float(line.split(',')[1])
            elif line.startswith('"Start Date:"') and start is None:
                y, m, d = (int(x) for x in line.split(',')[1].strip('#').split('-'))
                start = datetime.datetime(y, m, d)
                day = prev = start
            elif line.startswith('"Time"'):
                header = [h.strip('"') for h in line.split(',')]
            elif line[:1] == '"' and line[3:4] == ':' and start is not None:
                fields = line.split(',')
                hh, mm, ss = (int(x) for x in fields[0].strip('"').split(':'))
                stamp = day + datetime.timedelta(hours=hh, minutes=mm, seconds=ss)
                if stamp < prev:
                    day += datetime.timedelta(days=1)
                    stamp = day + datetime.timedelta(hours=hh, minutes=mm, seconds=ss)
                prev = stamp
                values = [cell(x) for x in fields[1:]]
                t = values[0]
                for probe, raw_col, ph_col in ((0, 3, 5), (1, 4, 6)):
                    ph = (values[raw_col] / 1000 - offset[probe]) / ((t + 273.15) * 0.000198416 * slope[probe]) + 7
                    values[ph_col] = round(ph * 10000.0) / 10000.0
                rows.append([stamp.strftime('%Y-%m-%d %H:%M:%S')] +
                            [number_text(v) if isinstance(v, float) else v for v in values])
    with open(out_path, 'w', newline='', encoding='utf-8') as out:
        w = csv.writer(out, lineterminator='\r\n')
        w.writerow(header)
        w.writerows(rows)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
