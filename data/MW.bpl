[MainBand]
Caption=MW
Description=Medium wave broadcast
NumSubBands=17
