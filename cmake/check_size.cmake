# Fails when FILE is larger than LIMIT bytes.
file(SIZE "${FILE}" size)
message(STATUS "${FILE}: ${size} bytes (limit ${LIMIT})")
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, over the limit of ${LIMIT}")
endif()
