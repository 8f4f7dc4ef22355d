# Sourced by run.sh and test.sh: installs what is missing, then configures and builds into build/.
set -euo pipefail

scripts/install-missing.sh cmake make g++ pkgconf qt6-base-dev qt6-image-formats-plugins libgtest-dev \
    zlib1g-dev libpng-dev libspng-dev libisal-dev help2man desktop-file-utils man-db dpkg-dev clang libclang-rt-14-dev
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --parallel "$(nproc)"
