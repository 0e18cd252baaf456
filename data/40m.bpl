[MainBand]
Caption=40m
Description=40 metre amateur band
NumSubBands=17
