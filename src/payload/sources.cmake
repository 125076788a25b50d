kova_sources(CORE crc.cpp compressed_name.cpp szdd.cpp
             WIN32 load_chunk.cpp copy_engine.cpp copy_page.cpp)
