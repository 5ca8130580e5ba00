# Plain geometry and texts of the gauge, standard library only; read by this folder's
# CMakeLists.txt and by the Windows build of the core (windows/).
set(merolan_gauge_geometry_sources
    needle_geometry.cpp
    help_scale.cpp
)
list(TRANSFORM merolan_gauge_geometry_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
