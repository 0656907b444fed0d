#!/usr/bin/env python3
"""Fails when the portable code's folders include each other in a cycle.

Only files whose names do not end in _win count: the Win32 front end sits on top of everything.
Usage: include_graph.py SOURCE_ROOT
"""
import os
import re
import sys

FOLDERS = ["app", "adapter", "target", "buffer", "programming", "views", "settings", "simulator", "cli"]


def edges(root):
    graph = {f: {} for f in FOLDERS}
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if not name.endswith((".cpp", ".h")) or "_win" in name:
                continue
            with open(os.path.join(root, folder, name), encoding="latin-1") as f:
                for line in f:
                    m = re.match(r'\s*#\s*include\s+"([a-z_]+)/', line)
                    if m and m.group(1) != folder and m.group(1) in graph:
                        graph[folder].setdefault(m.group(1), f"{folder}/{name}")
    return graph


def find_cycle(graph):
    state = {}

    def visit(node, path):
        state[node] = "open"
        for nxt in graph[node]:
            if state.get(nxt) == "open":
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                cycle = visit(nxt, path + [nxt])
                if cycle:
                    return cycle
        state[node] = "done"
        return None

    for node in graph:
        if node not in state:
            cycle = visit(node, [node])
            if cycle:
                return cycle
    return None


graph = edges(sys.argv[1] if len(sys.argv) > 1 else ".")
cycle = find_cycle(graph)
if cycle:
    steps = [f"{a} -> {b} ({graph[a][b]})" for a, b in zip(cycle, cycle[1:])]
    print("include cycle among the portable folders:\n  " + "\n  ".join(steps))
    sys.exit(1)
print("no include cycle among the portable folders")
