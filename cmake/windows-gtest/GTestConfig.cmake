# find_package(GTest) for the Windows cross build: GoogleTest compiled from Debian's sources
# (package googletest, /usr/src/googletest) along with the project. Gives GTest::gtest and
# GTest::gtest_main.
if(NOT TARGET GTest::gtest)
  set(VANTOR_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
  if(NOT EXISTS ${VANTOR_GTEST_SOURCE}/googletest/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${VANTOR_GTEST_SOURCE}; install the googletest package")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VANTOR_GTEST_SOURCE}/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
set(GTest_FOUND TRUE)
