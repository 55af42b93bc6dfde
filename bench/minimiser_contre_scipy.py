#!/usr/bin/env python3
"""MINIMISER against scipy's L-BFGS-B with an analytic gradient, same starts.

Run by hand (python3-scipy; numpy on one thread):

    python3 bench/minimiser_contre_scipy.py [--exe build/glomerix] [--n 470] [--graines 1 2 3]
                                            [--repetitions 5]

For each seed: N random points (numpy's generator), written as a position
file; the program loads it (CHARGER FICHIER) and runs MINIMISER on one
worker, which prints its iterations, energy evaluations and time; scipy
minimises E(x / |x|) over R^3N from the same points, timed in-process. Both
results are measured with the same yardstick: the largest tangential force
over the mean total force, and the energy. Each run is repeated, the three
in turn, and the times shown are the medians (the other figures repeat);
the last column is scipy's median time over MINIMISER's.
"""
import os

os.environ.setdefault("OMP_NUM_THREADS", "1")
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import argparse  # noqa: E402
import re  # noqa: E402
import statistics  # noqa: E402
import subprocess  # noqa: E402
import tempfile  # noqa: E402
import time  # noqa: E402

import numpy as np  # noqa: E402
from scipy.optimize import minimize  # noqa: E402


def energie_et_gradient(v, n):
    """E of the directions of v (3N values) and its gradient over R^3N."""
    y = v.reshape(n, 3)
    r = np.sqrt(np.einsum("ij,ij->i", y, y))
    u = y / r[:, None]
    dx = u[:, 0, None] - u[None, :, 0]
    dy = u[:, 1, None] - u[None, :, 1]
    dz = u[:, 2, None] - u[None, :, 2]
    s = dx * dx + dy * dy + dz * dz
    np.fill_diagonal(s, np.inf)
    inv = 1.0 / np.sqrt(s)
    e = 0.5 * inv.sum()
    w = inv * inv * inv
    force = np.stack([(w * dx).sum(1), (w * dy).sum(1), (w * dz).sum(1)], axis=1)
    g = -force
    g -= np.einsum("ij,ij->i", g, u)[:, None] * u
    return e, (g / r[:, None]).ravel(), force


def critere(x):
    """Largest tangential force over the mean total force, at unit x."""
    n = len(x)
    _, _, force = energie_et_gradient(x.ravel(), n)
    tangentielle = force - np.einsum("ij,ij->i", force, x)[:, None] * x
    return np.sqrt((tangentielle ** 2).sum(1)).max() / np.sqrt((force ** 2).sum(1)).mean()


def scipy_lbfgs(x0, gtol, ftol):
    n = len(x0)
    appels = [0]

    def fg(v):
        appels[0] += 1
        e, g, _ = energie_et_gradient(v, n)
        return e, g

    debut = time.perf_counter()
    res = minimize(fg, x0.ravel(), jac=True, method="L-BFGS-B",
                   options=dict(maxcor=10, maxiter=100000, maxfun=100000, gtol=gtol, ftol=ftol))
    duree = time.perf_counter() - debut
    x = res.x.reshape(n, 3)
    x /= np.linalg.norm(x, axis=1)[:, None]
    return duree, appels[0], res.nit, energie_et_gradient(x.ravel(), n)[0], critere(x)


def glomerix(exe, x0):
    n = len(x0)
    with tempfile.TemporaryDirectory() as dossier:
        chemin = os.path.join(dossier, "depart.txt")
        with open(chemin, "w") as f:
            for i, p in enumerate(x0):
                f.write("%i:\t%.17g\t%.17g\t%.17g\n" % (i + 1, p[0], p[1], p[2]))
        sortie = os.path.join(dossier, "fin.txt")
        entree = ("mode info off\nnb %d\ncharger fichier\n%s\nminimiser 10 k\nenregistrer\n%s\nquitter\n"
                  % (n, chemin, sortie))
        env = dict(os.environ, XDG_DATA_HOME=dossier, HOME=dossier)
        texte = subprocess.run([exe], input=entree.encode(), capture_output=True, env=env).stdout.decode("utf-8", "replace")
        m = re.search(r"Itérations : (\d+), évaluations de l'énergie : (\d+)", texte)
        t = re.search(r"Temps de calcul \(ms\) : (\d+)", texte)
        if not m or not t:
            raise RuntimeError("sortie inattendue :\n" + texte)
        x = np.array([[float(c) for c in ligne.split(":")[1].split()] for ligne in open(sortie)])
    return int(t.group(1)) / 1000.0, int(m.group(2)), int(m.group(1)), energie_et_gradient(x.ravel(), n)[0], critere(x)


def main():
    a = argparse.ArgumentParser()
    a.add_argument("--exe", default="build/glomerix")
    a.add_argument("--n", type=int, default=470)
    a.add_argument("--graines", type=int, nargs="+", default=[1, 2, 3])
    a.add_argument("--repetitions", type=int, default=5)
    args = a.parse_args()
    print("%-28s %9s %7s %7s %17s %10s %7s" % ("", "temps (s)", "eval.", "iter.", "energie", "critere", "rapport"))
    for graine in args.graines:
        x0 = np.random.default_rng(graine).normal(size=(args.n, 3))
        x0 /= np.linalg.norm(x0, axis=1)[:, None]
        calculs = [("MINIMISER", lambda: glomerix(args.exe, x0)),
                   ("scipy (gtol 1e-5, ftol def.)", lambda: scipy_lbfgs(x0, 1e-5, 2.2e-9)),
                   ("scipy (to its limit)", lambda: scipy_lbfgs(x0, 0.0, 0.0))]
        mesures = [[] for _ in calculs]
        for _ in range(args.repetitions):
            for k, (_, calcul) in enumerate(calculs):
                mesures[k].append(calcul())
        print("N = %d, graine %d (%d fois)" % (args.n, graine, args.repetitions))
        mediane = [statistics.median(m[0] for m in serie) for serie in mesures]
        for k, (nom, _) in enumerate(calculs):
            _, evaluations, iterations, energie, c = mesures[k][0]
            rapport = "" if k == 0 else "%7.1f" % (mediane[k] / mediane[0])
            print("  %-26s %9.3f %7d %7d %17.9f %10.2e %s" % (nom, mediane[k], evaluations, iterations, energie, c,
                                                            rapport))


if __name__ == "__main__":
    main()
