// The effect's parameter set: built once on the first call, registered with
// the host at parameter setup, read into RenderSettings at render time.
#pragma once

#include "AEHost.h"
#include "ParamGetter.h"

struct RenderSettings;

// Builds the table of the 54 parameter objects (the in-data is not used).
void DefineParams(PF_InData *in_data);
// PF_Cmd_PARAMS_SETUP: adds every parameter to the host, with the stored
// defaults on hosts of API 12.12 and later; sets num_params.
PF_Err RegisterParams(PF_InData *in_data, PF_OutData *out_data);
// Deletes every parameter object (library detach).
void DestroyParams();

// Reads every parameter's value into record (which may be null: then only the
// objects' own definitions are refreshed); stops at the first error.
PF_Err ReadParams(RenderSettings *record, ParamGetter &getter);
// Hands every checked-out definition back; stops at the first error.
PF_Err ReleaseParams(ParamGetter &getter);
