# cmake -DSOURCE=... -DBINARY=... -DGENERATOR=... -DCXX=... -DC=... -DTESTS=OFF|ON [-DMPI=OFF] -P sans_gtest.cmake
# Configures a fresh tree where GoogleTest and Google Benchmark cannot be
# found, and reads the compile steps it planned (compile_commands.json);
# with TESTS=ON that configure must fail, for want of GoogleTest. With
# MPI=OFF, MPI cannot be found either: glomerix-explorer is still built, for
# threads only.
file(REMOVE_RECURSE ${BINARY})
set(sans_mpi "")
if(DEFINED MPI AND NOT MPI)
  set(sans_mpi -DCMAKE_DISABLE_FIND_PACKAGE_MPI=ON)
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Release
          -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_C_COMPILER=${C} -DGLOMERIX_TESTS=${TESTS}
          -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON ${sans_mpi}
  RESULT_VARIABLE configure OUTPUT_VARIABLE out ERROR_VARIABLE out)
set(steps "")
if(EXISTS ${BINARY}/compile_commands.json)
  file(READ ${BINARY}/compile_commands.json steps)
endif()
file(REMOVE_RECURSE ${BINARY})
# With the tests asked for, the same configure must stop at GoogleTest.
if(TESTS)
  string(FIND "${out}" "CMAKE_DISABLE_FIND_PACKAGE_GTest" at)
  if(configure EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "with the tests on, the configure did not stop at GoogleTest:\n${out}")
  endif()
  return()
endif()
if(NOT configure EQUAL 0)
  message(FATAL_ERROR "configure failed:\n${out}")
endif()
# The three programs are compiled, and nothing of the tests or benchmarks.
set(sources src/shell/main.cpp src/store/tool/glomerix_db.cpp src/viewer/image.cpp src/explorer/main.cpp)
if(sans_mpi)
  list(APPEND sources src/explorer/reseau_seul.cpp)
  string(FIND "${steps}" "${SOURCE}/src/explorer/reseau_mpi.cpp" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "without MPI, a step still compiles reseau_mpi.cpp")
  endif()
endif()
foreach(source ${sources})
  string(FIND "${steps}" "${SOURCE}/${source}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "no step compiles ${source}")
  endif()
endforeach()
foreach(word ${SOURCE}/tests/ ${SOURCE}/bench/ gtest benchmark)
  string(FIND "${steps}" "${word}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "a compile step names ${word}")
  endif()
endforeach()
