"""Turns the benchmark programs' lines into one table.

Reads "machine<TAB>text" and "row<TAB>section<TAB>what<TAB>value<TAB>unit" lines from each file
given; every other line is printed after the table as it is.
"""
import sys


def main(paths):
    machines, rows, notes = [], [], []
    for path in paths:
        with open(path, encoding="utf-8", errors="replace") as lines:
            for line in lines:
                fields = line.rstrip("\n").split("\t")
                if fields[0] == "machine" and len(fields) >= 2:
                    machines.append(", ".join(fields[1:]))
                elif fields[0] == "row" and len(fields) >= 5:
                    rows.append(fields[1:5])
                elif line.strip():
                    notes.append(line.rstrip("\n"))
    for machine in dict.fromkeys(machines):
        print("Machine: %s" % machine)
    print()
    print("| section | what | value | unit |")
    print("|---|---|---:|---|")
    for section, what, value, unit in rows:
        print("| %s | %s | %s | %s |" % (section, what, value, unit))
    if notes:
        print()
        for note in notes:
            print(note)


if __name__ == "__main__":
    main(sys.argv[1:])
