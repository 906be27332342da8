# Sourced by the build scripts: compile through ccache when it is installed.
# Paths below the checkout's top are hashed relative to it and the working
# folder is left out of the hash, so a clone in any other folder reuses the
# objects an earlier build on the machine left in the cache. Without ccache
# the builds run as they are. A launcher already chosen in the environment
# is kept. Only a build folder configured for the first time takes it up.
# Usage: . scripts/compiler-cache.sh TOP
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR=$1
  export CCACHE_NOHASHDIR=1
  # A miss takes the headers from the compiler's own list of them (-MD)
  # instead of running the preprocessor once more: a tenth of a cold build.
  export CCACHE_DEPEND=1
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
else
  echo "build: ccache is not installed; compiling without a cache" >&2
fi
