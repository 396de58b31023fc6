// Makes the effect modules known to the track-module factory table.
#pragma once

// Registers every effect module's constructor under its table name. Call
// once before the first script is parsed.
void registerEffectModules();
