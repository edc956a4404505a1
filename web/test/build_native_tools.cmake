# Builds the native command and demo disk maker that the page's tests compare against, with the
# system's compiler, beside the web build.
#   cmake -DSOURCE=... -DBINARY=... -P build_native_tools.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -DCMAKE_BUILD_TYPE=Release
  -DBUILD_TESTING=OFF OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} --target castle-extract make-demo-disk make-bench-images
  -j 2 OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
