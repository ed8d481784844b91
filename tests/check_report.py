"""How the file checks end: every failure on a line of its own, or one line
saying all passed; the exit status CTest reads."""


def report(failures, what):
    for failure in failures:
        print("FAILED:", failure)
    if not failures:
        print(f"{what}: all checks passed")
    return 1 if failures else 0
