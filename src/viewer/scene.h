// Scene drawing for the viewer window; every drawing function runs on the
// window thread with the GL context current.
#pragma once

// Posts one frame to the viewer when it is open; does nothing otherwise.
// Called from the command thread (never waits for the frame).
void RafraichirGraphique();
