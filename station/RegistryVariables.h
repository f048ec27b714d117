#pragma once
// The company segment of the settings path.
#include <QString>

extern QString CompanyKey;

// "Fernleigh" when the executable's file name, upper-cased, is QUILLAN.EXE
// (or QUILLAN, where executables carry no extension); "Ashgrove" otherwise.
QString CompanyKeyForExecutable(const QString& executablePath);

// Start-up and shutdown of the unit: set from the running executable, then cleared.
void InitRegistryVariables();
void FinalizeRegistryVariables();
