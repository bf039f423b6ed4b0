// The outside image components joined at start-up.
#pragma once

// Susie plug-ins from the installed program's folder (path of its exe) and the
// copy's own, and the scanner's source manager's unloading.
void install_image_plugins(const char* program_path);
