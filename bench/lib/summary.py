"""What the bench reports share: result lines read into rows, medians with their spread, and
ratios taken round by round (interleaved runs drift together, so a ratio within one round
holds better than a ratio of two medians)."""
import statistics


def load(path, names):
    """The result file's lines as dicts keyed by NAMES; numbers become floats."""
    rows = []
    with open(path) as results:
        for line in results:
            row = {}
            for name, field in zip(names, line.split()):
                try:
                    row[name] = float(field)
                except ValueError:
                    row[name] = field
            rows.append(row)
    return rows


def groups(rows, *keys):
    """Rows grouped by the values of KEYS, in the order they first appear."""
    grouped = {}
    for row in rows:
        grouped.setdefault(tuple(row[key] for key in keys), []).append(row)
    return grouped


def median(values):
    return statistics.median(values)


def spread(values, digits=3):
    """"min-max" of VALUES."""
    return f"{min(values):.{digits}f}-{max(values):.{digits}f}"


def paired_ratio(rows, column, is_subject, is_reference):
    """The median over rounds of SUBJECT's COLUMN / REFERENCE's COLUMN in the same round."""
    subject = {row["round"]: row[column] for row in rows if is_subject(row)}
    reference = {row["round"]: row[column] for row in rows if is_reference(row)}
    ratios = [subject[r] / reference[r] for r in subject if r in reference and reference[r] > 0]
    return median(ratios) if ratios else float("nan")


def verdict(met):
    return "met" if met else "NOT met"
