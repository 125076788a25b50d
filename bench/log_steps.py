#!/usr/bin/env python3
"""Where an unattended run's time goes, from its log's clock.

  log_steps.py START_NS END_NS LOG   prints the seconds of each step:
      start      the process's start, up to the log's first line
      prepare    the system, destination and earlier installation
      copy       the files written, expanded and checked
      registry   the registry rows, file type and uninstall entry
      group      the program group (over DDE, or as shortcut files)
      finishing  the finishing step and each user's step, to the exit line
      exit       the exit line up to the end of the process
  START_NS and END_NS are the wall clock (nanoseconds since the epoch)
  around the process; the log's lines carry local time to the millisecond.
"""
import sys
import time

STEPS = ['start', 'prepare', 'copy', 'registry', 'group', 'finishing', 'exit']


def step_of(text):
    if text.startswith('file '):
        return 'copy'
    if text.startswith('registry:') or text.startswith('question:') or text.startswith('asked nobody'):
        return 'registry'
    if text.startswith('DDE') or text.startswith('program group'):
        return 'group'
    if text.startswith('finishing') or text.startswith("each user's step"):
        return 'finishing'
    if text.startswith('exit code'):
        return 'finishing'  # its line closes the run's work
    return 'prepare'


def clock(line):
    stamp, millis = line[:19], line[20:23]
    return time.mktime(time.strptime(stamp, '%Y-%m-%d %H:%M:%S')) + int(millis) / 1000.0


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    start, end = int(argv[1]) / 1e9, int(argv[2]) / 1e9
    lines = [l.rstrip('\r\n') for l in open(argv[3], encoding='utf-8', errors='replace') if l[:2] == '20']
    if not lines:
        raise ValueError('%s: no log lines' % argv[3])
    # Each step lasts from the last line of the steps before it to its own last line.
    last = {}
    for line in lines:
        last[step_of(line[24:])] = clock(line)
    seconds = {'start': clock(lines[0]) - start}
    previous = clock(lines[0])
    for step in STEPS[1:-1]:
        if step in last and last[step] >= previous:
            seconds[step] = last[step] - previous
            previous = last[step]
        else:
            seconds[step] = 0.0
    seconds['exit'] = end - previous
    print(' '.join('%.4f' % max(0.0, seconds[s]) for s in STEPS))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
