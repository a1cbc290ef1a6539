#!/bin/sh
# Does all set-up, builds the plug-in and the vortane tool, and runs the main
# job: the host emulator loads the plug-in and reports what it answers, then
# the tool renders the built-in cel frame with all four colour groups to a PNG.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh linux
./build/linux/cli/vortane about
mkdir -p build/demo
./build/linux/cli/vortane demo build/demo/vortane-demo.png
echo "run-demo: open build/demo/vortane-demo.png to see the result"
