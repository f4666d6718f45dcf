# find_package(facemeld): the target facemeld::facemeld, the engine's
# library with its header, which needs the system's threads.
include(CMakeFindDependencyMacro)
find_dependency(Threads)
include(${CMAKE_CURRENT_LIST_DIR}/facemeldTargets.cmake)
