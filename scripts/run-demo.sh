#!/bin/sh
# Does all set-up, builds the plug-in and the vortane tool, and runs the main
# job: the host emulator loads the plug-in and reports what it answers.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh linux
./build/linux/cli/vortane about
