// Every routine of the simulation core, for the shell and the viewer.
#pragma once

#include "etat/particules.h"
#include "mathematiques/forces_enveloppe.h"
#include "mathematiques/metriques.h"
#include "mathematiques/montecarlo.h"
#include "mathematiques/paires.h"
#include "mathematiques/placement.h"
#include "mathematiques/relaxation.h"
