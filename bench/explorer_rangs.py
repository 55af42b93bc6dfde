#!/usr/bin/env python3
"""glomerix-explorer under mpirun: the wall time to a published minimum with
k ranks against one rank, on the same counts and seeds.

Run by hand (openmpi-bin):

    python3 bench/explorer_rangs.py [--exe build/glomerix-explorer] [--rangs 1 2]
                                    [--nb 100 122 192] [--graines 1 2 3] [--limite 120]

For each count, seed and number of ranks, in that order (the rank counts of
one seed run one after the other): mpirun starts the program on that count
with that seed; the script reads its lines as they come, notes the seconds
the program gives on the line that reaches the published energy (9
significant digits) and ends the run there, or after --limite seconds
(the search then counts as not found, at the limit). Each run writes its
records to a database of its own in a temporary folder, removed after. It prints each run,
then per count the median time of each rank count and the ratio of the
medians to one rank's.
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import tempfile
import time

# The published lowest energies of bench/bench_minimisation.cpp.
PUBLIEES = {100: 4448.350634331, 104: 4822.876522749, 112: 5618.044882327, 117: 6146.342446579,
            122: 6698.374499261, 132: 7875.045342797, 137: 8499.534494782, 146: 9684.381825575,
            192: 16963.338386460, 200: 18438.842717530, 282: 37147.294418462, 470: 104822.886324279}


def une_recherche(exe, rangs, n, graine, limite):
    commande = ["mpirun", "-n", str(rangs), "--oversubscribe"]
    if os.geteuid() == 0:
        commande.append("--allow-run-as-root")
    base = os.path.join(tempfile.mkdtemp(prefix="glomerix-rangs-"), "records.dat")
    commande += [exe, "--nb", str(n), "--graine", str(graine), "--duree", str(limite), "--base", base]
    debut = time.monotonic()
    p = subprocess.Popen(commande, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                         start_new_session=True)
    trouve = None
    for ligne in p.stdout:
        if " : saut " not in ligne:
            continue
        energie = float(ligne.split(", énergie ")[1].split(",")[0])
        if abs(energie - PUBLIEES[n]) < 5e-9 * PUBLIEES[n]:
            trouve = float(ligne.rsplit(", ", 1)[1].split(" ")[0])
            break
    os.killpg(p.pid, signal.SIGTERM)
    p.wait()
    shutil.rmtree(os.path.dirname(base), ignore_errors=True)
    return trouve, time.monotonic() - debut


def main():
    a = argparse.ArgumentParser()
    a.add_argument("--exe", default="build/glomerix-explorer")
    a.add_argument("--rangs", type=int, nargs="+", default=[1, 2])
    a.add_argument("--nb", type=int, nargs="+", default=[100, 104, 112, 117, 122, 132, 137, 146, 192, 200])
    a.add_argument("--graines", type=int, nargs="+", default=list(range(1, 11)))
    a.add_argument("--limite", type=float, default=120.0)
    args = a.parse_args()
    temps = {}
    for n in args.nb:
        for g in args.graines:
            for k in args.rangs:
                trouve, mur = une_recherche(os.path.abspath(args.exe), k, n, g, args.limite)
                t = trouve if trouve is not None else args.limite
                temps.setdefault((n, k), []).append(t)
                print(f"N={n} graine={g} rangs={k} {'trouvé' if trouve is not None else 'non trouvé'} {t:.2f} s"
                      f" (mpirun {mur:.1f} s)", flush=True)
    ratios = []
    for n in args.nb:
        un = statistics.median(temps[(n, args.rangs[0])])
        ligne = f"N={n} : {args.rangs[0]} rang(s) {un:.2f} s"
        for k in args.rangs[1:]:
            m = statistics.median(temps[(n, k)])
            # The program gives hundredths: a median of 0.00 s has no ratio.
            if un == 0.0:
                ligne += f", {k} rangs {m:.2f} s (rapport : moins d'un centième)"
                continue
            ligne += f", {k} rangs {m:.2f} s (rapport {m / un:.2f})"
            if k == args.rangs[-1]:
                ratios.append(m / un)
        print(ligne)
    if ratios:
        print(f"médiane des rapports : {statistics.median(ratios):.2f}")


if __name__ == "__main__":
    main()
