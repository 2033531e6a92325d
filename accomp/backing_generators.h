// Hands the backing generators of this folder to the whole-tune driver.
#pragma once

// Fills the driver's table with the second-melody, harmony, sub-harmony,
// bass, drum and environmental-sound generators and the block labeller.
// Called once at start-up, before the first tune is composed.
void InstallBackingGenerators();
