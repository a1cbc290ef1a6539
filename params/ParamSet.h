// The effect's parameter set: built once on the first call, registered with
// the host at parameter setup, read into RenderSettings at render time.
#pragma once

#include "AEHost.h"
#include "ParamGetter.h"

struct RenderSettings;

// Builds the table of the 54 parameter objects (the in-data is not used).
// Building it again replaces the objects and keeps host indices 1 to 54.
void DefineParams(PF_InData *in_data);
// PF_Cmd_PARAMS_SETUP: adds every parameter to the host, with the stored
// defaults on hosts of API 12.12 and later; sets num_params.
PF_Err RegisterParams(PF_InData *in_data, PF_OutData *out_data);
// Deletes every parameter object (library detach).
void DestroyParams();

// Reads every parameter's value into record (which may be null: then only the
// objects' own definitions are refreshed); stops at the first error.
PF_Err ReadParams(RenderSettings *record, ParamGetter &getter);
// Hands every definition checked out by ReadParams back; returns the first
// error.
PF_Err ReleaseParams(ParamGetter &getter);

// Writes every parameter's current definition value to the settings file at
// settingsPath as its stored default (types without one write nothing).
void StoreParamDefaults(PF_InData *in_data, const char *settingsPath);
// Number of host parameters the table reaches, including the input layer
// (55 once built): the parameter array of a command must hold this many.
A_long ParamCountWithLayer();
