kova_sources(CORE text_format.cpp file_exists.cpp)
