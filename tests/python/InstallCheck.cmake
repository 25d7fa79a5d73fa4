# Installs the Python package into a fresh prefix and runs the bundled example settings from
# there, with nothing of the build tree on the path.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --component python
                        --prefix "${PREFIX}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
file(GLOB_RECURSE init "${PREFIX}/__init__.py")
list(FILTER init INCLUDE REGEX "/orvek/__init__.py$")
list(LENGTH init count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one installed package, found: ${init}")
endif()
get_filename_component(package "${init}" DIRECTORY)
get_filename_component(site "${package}" DIRECTORY)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=PYTHONPATH "PYTHONPATH=${site}" PYTHONDONTWRITEBYTECODE=1
          ${PYTHON} -c
          "import orvek, os; assert orvek.__file__.startswith(os.path.realpath('${site}')) or orvek.__file__.startswith('${site}'), orvek.__file__; r = orvek.run(orvek.read_settings(os.path.join(orvek.DATA_FOLDER, 'Example.stg'))); assert len(r.daily) == 1826, len(r.daily); print('installed package ran', len(r.daily), 'days')"
  WORKING_DIRECTORY "${PREFIX}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed package did not run")
endif()
