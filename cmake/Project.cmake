# Settings shared by every target of the project.

# Unicode Win32, Windows 7 as the oldest target, lean headers.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)

if(MSVC)
  set(BRINDLEX_WARNINGS /W4 /WX /permissive-)
  add_compile_definitions(_CRT_SECURE_NO_WARNINGS)
else()
  set(BRINDLEX_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter -Wno-cast-function-type
                        -Wno-missing-field-initializers)
  # Static C and C++ runtimes: the programs run on a bare Windows or Wine without mingw DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# Our own code: warnings on and treated as errors, headers found from the repository root.
function(brindlex_target target)
  target_compile_options(${target} PRIVATE ${BRINDLEX_WARNINGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# libcrypto cross-built by scripts/build-openssl; its folder comes from the test script.
set(OPENSSL_MINGW_ROOT "" CACHE PATH "Folder of the cross-built OpenSSL (include/, lib64/)")
if(NOT OPENSSL_MINGW_ROOT)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-openssl
                  OUTPUT_VARIABLE OPENSSL_MINGW_ROOT OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE openssl_rc)
  if(NOT openssl_rc EQUAL 0)
    message(FATAL_ERROR "scripts/build-openssl failed")
  endif()
endif()
add_library(libcrypto STATIC IMPORTED GLOBAL)
set_target_properties(libcrypto PROPERTIES
  IMPORTED_LOCATION ${OPENSSL_MINGW_ROOT}/lib64/libcrypto.a
  INTERFACE_INCLUDE_DIRECTORIES ${OPENSSL_MINGW_ROOT}/include
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;advapi32;user32;bcrypt")

# One GoogleTest executable per library; ctest runs it under Wine. DISPLAY: the program copies
# the screen or takes the foreground, so it runs on a display lane of its own (scripts/test
# starts the lanes), with its windows left unmanaged (brindlex_write_prefix_settings). SHARDS n: ctest runs the program as n programs, each with a share of the
# cases, so one long program does not hold the run back. COST: about how many seconds it runs,
# so a clean build's first run starts the long programs first. IDENT: the program binds the
# machine's ident port (113); OWN takes it alone, SHARED may overlap with other SHARED programs
# (a real qv binds it while it connects, but its tests' servers never ask it). The cases of the
# program's parts (brindlex_test_part, called before) are left to the parts' own entries.
function(brindlex_test name)
  cmake_parse_arguments(ARG "WINDOWS;DISPLAY" "SHARDS;COST;IDENT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  brindlex_target(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} test_support GTest::gtest)
  if(ARG_DISPLAY)
    set_property(GLOBAL APPEND PROPERTY BRINDLEX_UNMANAGED_PROGRAMS ${name})
  endif()
  get_property(parts GLOBAL PROPERTY BRINDLEX_TEST_PARTS_${name})
  set(filter "")
  if(parts)
    string(REPLACE ";" ":" filter "-${parts}")
  endif()
  brindlex_test_entries(${name} ${name} "${filter}" ${ARGN})
endfunction()

# Cases of a test program that ctest runs as entries of their own (<program>_<part>, sharded
# like the program's), named by a gtest filter of whole names or patterns: a case that alone
# runs about as long as the rest, so that it starts first and beside them, or cases that need
# what the rest does not (a display lane, the ident port) or need it when the rest does not.
# Options as for brindlex_test. Call before brindlex_test of the program.
function(brindlex_test_part program part)
  cmake_parse_arguments(ARG "WINDOWS;DISPLAY" "FILTER;SHARDS;COST;IDENT" "" ${ARGN})
  set_property(GLOBAL APPEND PROPERTY BRINDLEX_TEST_PARTS_${program} ${ARG_FILTER})
  if(ARG_DISPLAY)
    set_property(GLOBAL APPEND PROPERTY BRINDLEX_UNMANAGED_PROGRAMS ${program})
  endif()
  brindlex_test_entries(${program} ${program}_${part} "${ARG_FILTER}" ${ARGN})
endfunction()

# The ctest entries of a program, or of its cases the gtest filter names.
function(brindlex_test_entries program test filter)
  cmake_parse_arguments(ARG "WINDOWS;DISPLAY" "SHARDS;COST;IDENT;FILTER" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SHARDS)
    set(ARG_SHARDS 1)
  endif()
  math(EXPR last "${ARG_SHARDS} - 1")
  set(command ${program} --gtest_brief=1)
  if(filter)
    list(APPEND command --gtest_filter=${filter})
  endif()
  foreach(shard RANGE ${last})
    set(entry ${test})
    if(ARG_SHARDS GREATER 1)
      set(entry ${test}_${shard})
    endif()
    add_test(NAME ${entry} COMMAND ${command})
    set_tests_properties(${entry} PROPERTIES TIMEOUT 900)
    if(ARG_COST)
      set_tests_properties(${entry} PROPERTIES COST ${ARG_COST})
    endif()
    if(ARG_SHARDS GREATER 1)
      set_tests_properties(${entry} PROPERTIES ENVIRONMENT
                           "GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${shard}")
    endif()
    if(ARG_WINDOWS)
      set_tests_properties(${entry} PROPERTIES LABELS windows)
    endif()
    set(group "")
    if(ARG_DISPLAY)
      list(APPEND group display:1)
    endif()
    if(ARG_IDENT STREQUAL "OWN")
      list(APPEND group ident:6)
    elseif(ARG_IDENT STREQUAL "SHARED")
      list(APPEND group ident:1)
    endif()
    if(group)
      string(REPLACE ";" "," group "${group}")
      set_tests_properties(${entry} PROPERTIES RESOURCE_GROUPS ${group})
    endif()
  endforeach()
endfunction()

# Xvfb runs no window manager, so Wine waits two seconds for one at every window it hides. The
# display test programs open and close many windows: theirs are left unmanaged, as are those of
# any program named in the global property BRINDLEX_UNMANAGED_PROGRAMS. The settings go into a
# registry file in the build folder that scripts/wine-session imports into every prefix as it
# boots (ctest may place a program on any lane). Call once, after every brindlex_test.
function(brindlex_write_prefix_settings)
  get_property(programs GLOBAL PROPERTY BRINDLEX_UNMANAGED_PROGRAMS)
  set(text "REGEDIT4\n")
  foreach(program IN LISTS programs)
    string(APPEND text "\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\${program}.exe\\X11 Driver]\n"
                       "\"Managed\"=\"N\"\n")
  endforeach()
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/prefix_settings.reg CONTENT "${text}" @ONLY)
endfunction()

# A resource-only library (texts, dialogs, data): no code and no entry point, so loading it
# runs nothing.
function(brindlex_resource_dll target)
  set_target_properties(${target} PROPERTIES PREFIX "" LINKER_LANGUAGE C)
  if(MSVC)
    target_link_options(${target} PRIVATE /NOENTRY)
  else()
    target_link_options(${target} PRIVATE -nostdlib -Wl,-e,0)
  endif()
endfunction()
