# Layer rules the build enforces.
#
# Include roots: no target sees the source root. Each layer has a folder in the build tree
# (include/<layer>/) holding links to just its own source folders, under their usual names, so
# that "engine/TAudioFile2.h" or "platform/Ini.h" are spelled as everywhere else while a lower
# layer cannot reach a higher layer's headers. A layer target makes its root PUBLIC; whoever
# links it sees that layer and, through it, the layers below.
#
# C library headers: every target except tavrin_engine_adapters gets a folder of stand-in
# headers (portaudio.h, alsa/*.h, libav*/*.h, lame/lame.h, sndfile.h, taglib/*.h, fftw3.h, samplerate.h,
# pulse/*.h, ...) ahead of the system folders; each stand-in stops the compile with #error.

set(TAVRIN_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include)

# tavrin_include_root(<layer> [TREES folder...] [FILES folder...])
#   TREES: the folder with everything below it. FILES: only the headers directly in it (its
#   subfolders belong to other layers). Sets TAVRIN_ROOT_<layer> to the root's path.
function(tavrin_include_root layer)
  cmake_parse_arguments(ARG "" "" "TREES;FILES" ${ARGN})
  set(root ${TAVRIN_INCLUDE_ROOTS}/${layer})
  file(REMOVE_RECURSE ${root})
  foreach(folder IN LISTS ARG_TREES)
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  foreach(folder IN LISTS ARG_FILES)
    file(MAKE_DIRECTORY ${root}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/${folder}
         ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    foreach(header IN LISTS headers)
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder}/${header} ${root}/${folder}/${header} SYMBOLIC)
    endforeach()
  endforeach()
  set(TAVRIN_ROOT_${layer} ${root} PARENT_SCOPE)
endfunction()

# --- stand-ins for the C library headers ---------------------------------------------------
set(TAVRIN_FORBIDDEN_HEADERS ${CMAKE_BINARY_DIR}/c-library-headers-forbidden)
block()
  set(single portaudio.h pa_linux_alsa.h pa_jack.h pa_unix_oss.h asoundlib.h sys/asoundlib.h
      lame.h sndfile.h sndfile.hh fftw3.h samplerate.h
      pulse/pulseaudio.h pulse/simple.h pulse/error.h pulse/thread-mainloop.h pulse/context.h
      pulse/stream.h pulse/introspect.h pulse/mainloop.h pulse/glib-mainloop.h)
  set(folders alsa lame taglib pulse libavcodec libavformat libavutil libswresample
      libavdevice libavfilter libswscale portaudiocpp)
  set(bases /usr/include /usr/local/include)
  if(CMAKE_LIBRARY_ARCHITECTURE)
    list(APPEND bases /usr/include/${CMAKE_LIBRARY_ARCHITECTURE})
  endif()
  set(names ${single})
  foreach(base IN LISTS bases)
    foreach(folder IN LISTS folders)
      file(GLOB_RECURSE found RELATIVE ${base} ${base}/${folder}/*.h ${base}/${folder}/*.hxx)
      list(APPEND names ${found})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES names)
  foreach(name IN LISTS names)
    file(CONFIGURE OUTPUT ${TAVRIN_FORBIDDEN_HEADERS}/${name} CONTENT
"#error \"<${name}> is a C library header: only the engine's adapter sources may include it. \
Put the source that needs it in tavrin_engine_adapters (engine/CMakeLists.txt), wrap the library \
there, and include the adapter's own header everywhere else.\"
")
  endforeach()
endblock()

# Walks every target made so far and puts the stand-ins ahead of the system folders of all of
# them except the adapters. Called once at the end of the top-level CMakeLists.txt.
function(tavrin_forbid_c_library_headers)
  set(dirs ${CMAKE_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$"
         OR target STREQUAL "tavrin_engine_adapters" OR target STREQUAL "tavrin_ffmpeg")
        continue()
      endif()
      target_include_directories(${target} BEFORE PRIVATE ${TAVRIN_FORBIDDEN_HEADERS})
    endforeach()
  endwhile()
endfunction()
