# The Sparkplug B payload of zanhost bridge: our own sparkplug_b.proto compiled with Debian's
# protobuf (protobuf-compiler, and libprotobuf-dev for the small runtime, libprotobuf-lite), as the
# library zan_sparkplug_proto, built without our warning flags and included as a system header.
# zanhost and the fuzz targets include this file; where the build finds no protobuf (the Windows
# build) there is no such library.
if(TARGET zan_sparkplug_proto)
  return()
endif()
find_package(Protobuf QUIET)
if(NOT (Protobuf_FOUND AND Protobuf_PROTOC_EXECUTABLE AND Protobuf_LITE_LIBRARIES))
  message(STATUS "zanhost bridge: no protobuf, built without Sparkplug B")
  return()
endif()
set(ZAN_SPARKPLUG_PROTO ${PROJECT_SOURCE_DIR}/tools/zanhost/bridge/sparkplug/sparkplug_b.proto
    CACHE INTERNAL "the bridge's Sparkplug B payload")
set(generated ${CMAKE_BINARY_DIR}/sparkplug_proto)
file(MAKE_DIRECTORY ${generated})
get_filename_component(folder ${ZAN_SPARKPLUG_PROTO} DIRECTORY)
add_custom_command(
  OUTPUT ${generated}/sparkplug_b.pb.cc ${generated}/sparkplug_b.pb.h
  COMMAND ${Protobuf_PROTOC_EXECUTABLE} --cpp_out=${generated} -I ${folder} ${ZAN_SPARKPLUG_PROTO}
  DEPENDS ${ZAN_SPARKPLUG_PROTO}
  COMMENT "protoc: the Sparkplug B payload")
add_library(zan_sparkplug_proto STATIC ${generated}/sparkplug_b.pb.cc)
set_target_properties(zan_sparkplug_proto PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(zan_sparkplug_proto SYSTEM PUBLIC ${generated} ${Protobuf_INCLUDE_DIRS})
target_link_libraries(zan_sparkplug_proto PUBLIC ${Protobuf_LITE_LIBRARIES})
message(STATUS "zanhost bridge: Sparkplug B payloads with ${Protobuf_LITE_LIBRARIES}")
