// Worker teams of the simulation loops.
#pragma once

// Workers of the next parallel region: NombreDeThreads(), unless a test
// imposed a team size.
int EquipeSimulation();

// Forces the team size of every later region (tests comparing 1 and 2
// workers on any machine); 0 gives the choice back to NombreDeThreads().
void ImposerEquipe(int workers);

// Switches off dynamic adjustment and returns the team size to pass to the
// num_threads clause; called before every parallel region.
int PreparerEquipe();
