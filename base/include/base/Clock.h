// The one wall clock of the program: seconds since program start, from the
// high-resolution performance counter. Counting from program start (not from
// boot) keeps full precision however long the machine has been up.
#pragma once

double clockSeconds();
