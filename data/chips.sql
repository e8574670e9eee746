-- SPDX-License-Identifier: GPL-3.0-or-later
-- The chip catalogue shipped with dspprog. The build turns this file into
-- chips.db; dspprog reads chips.db from its current directory.
--
-- One row per chip, looked up by the identification bytes the programmer
-- reports. Rows are searched in the order they appear here; the first row with
-- the chip's code wins. Every field is text.
--
--   Code    manufacturer byte then device byte, four upper-case hex digits
--           ("01A4" is AMD, device A4h). Lower case never matches.
--   Name    shown to the operator.
--   Size    capacity in BITS, as chip makers name their parts:
--           64K = 8 KB, 128K = 16 KB, 256K = 32 KB, 512K = 64 KB,
--           1M = 128 KB, 2M = 256 KB, 4M = 512 KB (8M = 1 MB is understood,
--           but such a chip can only be identified, so none is listed).
--           Exactly one of these texts, upper case; anything else stops the
--           program when the row is used.
--   tErase  erase algorithm number handed to the programmer; decimal or
--           hex with a "$" prefix. The low seven bits go to the firmware,
--           bit 7 ($80) is passed as a flag. 0: the chip has no electrical erase.
--   tWrite  write algorithm number of Type 255 chips, coded the same way.
--           1 and 3 make dspprog erase the chip before writing it.
--   Type    how the chip is erased and written:
--           255   (00FFh) 5 V flash programmed by command sequences
--           64512 (FC00h) 12 V flash (28F256/28F512 only), erased by the
--                         programmer, written by pulses (pulse parameter 10)
--           64768 (FD00h) UV EPROM written by pulses (pulse parameter 40)
--           65024 (FE00h) UV EPROM written by pulses (pulse parameter 10)
--
-- Conventions of this catalogue for the algorithm numbers:
--   Type 255   tErase 4   chip erase, unlock cycles at 5555h/2AAAh
--              tErase 5   chip erase, unlock cycles at 555h/2AAh
--              tErase $84 chip erase of a page-write part, self-timed
--              tWrite 1   byte program, unlock at 5555h/2AAAh (erase first)
--              tWrite 3   byte program, unlock at 555h/2AAh (erase first)
--              tWrite $82 page write with software data protection; the
--                         part erases each page itself, so no erase first
--   FC00h      tErase 4   Intel Quick-Erase;  tErase 5  AMD Flasherase
--   FD00h      EPROMs of 64K and 128K bits
--   FE00h      EPROMs of 256K bits and more
-- The identification codes are the ones the makers' data sheets give. The
-- algorithm numbers belong to the programmer's firmware: check them against
-- it before adding a new family.
--
-- Intel's NMOS and CMOS EPROMs of one size carry different device codes
-- (27512 0Dh but 27C512 FDh), which this file once mixed up; each Intel row
-- below therefore says where its code comes from. Sources:
--   minipro   the device database of the minipro programmer tool (infoic.xml,
--             XGpro parts list), ic entries under manufacturer INTEL
--   flashrom  flashrom's include/flashchips.h (INTEL_ID 0x89 and the part)
--   databook  Intel Memory Products 1991, 27C256 mode selection table, as
--             quoted on the cctalk list in March 2022

CREATE TABLE chips(Code TEXT, Name TEXT, Size TEXT, tErase TEXT, tWrite TEXT, Type TEXT);

-- UV EPROMs (and their OTP versions): no electrical erase.
INSERT INTO chips VALUES('0115', 'AMD Am27C64',        '64K',  '0', '0', '64768');
INSERT INTO chips VALUES('0116', 'AMD Am27C128',       '128K', '0', '0', '64768');
INSERT INTO chips VALUES('0110', 'AMD Am27C256',       '256K', '0', '0', '65024');
INSERT INTO chips VALUES('0191', 'AMD Am27C512',       '512K', '0', '0', '65024');
INSERT INTO chips VALUES('010E', 'AMD Am27C010',       '1M',   '0', '0', '65024');
INSERT INTO chips VALUES('0197', 'AMD Am27C020',       '2M',   '0', '0', '65024');
INSERT INTO chips VALUES('019B', 'AMD Am27C040',       '4M',   '0', '0', '65024');
-- No Intel 27C64: no data sheet gives its code. minipro lists no Intel 27C64
-- (its Intel 2764 reads 8908, an NMOS part this catalogue does not program);
-- the only list naming 8907 "27C64" is a hobby EPROM reader's ID table that
-- cites nothing and disagrees with minipro on the Intel 27C128. A row on that
-- evidence could announce a wrong chip, so there is none.
-- 898C: minipro INTEL 27C256. 898D: databook 27C256 (later parts; older ones
-- read 8C, and programming equipment calls the 8D part 27C256A).
INSERT INTO chips VALUES('898C', 'Intel 27C256',       '256K', '0', '0', '65024');
INSERT INTO chips VALUES('898D', 'Intel 27C256A',      '256K', '0', '0', '65024');
-- 89FD: minipro INTEL 27C512. 890D is the NMOS 27512 (minipro INTEL 27512)
-- and must not be taken for it.
INSERT INTO chips VALUES('89FD', 'Intel 27C512',       '512K', '0', '0', '65024');
-- 8935: minipro INTEL 27C010 and 27C010A. (8905, which this row once had,
-- is given for the NMOS 27010, never for the 27C010.)
INSERT INTO chips VALUES('8935', 'Intel 27C010',       '1M',   '0', '0', '65024');
INSERT INTO chips VALUES('208D', 'ST M27C256B',        '256K', '0', '0', '65024');
INSERT INTO chips VALUES('203D', 'ST M27C512',         '512K', '0', '0', '65024');
INSERT INTO chips VALUES('2005', 'ST M27C1001',        '1M',   '0', '0', '65024');
INSERT INTO chips VALUES('2061', 'ST M27C2001',        '2M',   '0', '0', '65024');
INSERT INTO chips VALUES('2041', 'ST M27C4001',        '4M',   '0', '0', '65024');
INSERT INTO chips VALUES('1E8C', 'Atmel AT27C256R',    '256K', '0', '0', '65024');
INSERT INTO chips VALUES('1E0D', 'Atmel AT27C512R',    '512K', '0', '0', '65024');
INSERT INTO chips VALUES('298C', 'Microchip 27C256',   '256K', '0', '0', '65024');

-- 12 V flash erased and written like the Intel 28F256A.
-- 89B9: flashrom INTEL_28F256A and minipro INTEL P28F256A.
-- 89B8: flashrom INTEL_28F512 and minipro INTEL P28F512.
INSERT INTO chips VALUES('89B9', 'Intel 28F256A',      '256K', '4', '0', '64512');
INSERT INTO chips VALUES('89B8', 'Intel 28F512',       '512K', '4', '0', '64512');
INSERT INTO chips VALUES('01A1', 'AMD Am28F256',       '256K', '5', '0', '64512');
INSERT INTO chips VALUES('0125', 'AMD Am28F512',       '512K', '5', '0', '64512');

-- 5 V flash with byte programming.
INSERT INTO chips VALUES('0120', 'AMD Am29F010',       '1M',   '4', '1', '255');
INSERT INTO chips VALUES('01B0', 'AMD Am29F002T',      '2M',   '5', '3', '255');
INSERT INTO chips VALUES('01A4', 'AMD Am29F040B',      '4M',   '5', '3', '255');
INSERT INTO chips VALUES('04A4', 'Fujitsu MBM29F040C', '4M',   '5', '3', '255');
INSERT INTO chips VALUES('2020', 'ST M29F010B',        '1M',   '5', '3', '255');
INSERT INTO chips VALUES('20E2', 'ST M29F040B',        '4M',   '5', '3', '255');
INSERT INTO chips VALUES('C218', 'Macronix MX29F001T', '1M',   '4', '1', '255');
INSERT INTO chips VALUES('C2B0', 'Macronix MX29F002T', '2M',   '4', '1', '255');
INSERT INTO chips VALUES('C2A4', 'Macronix MX29F040',  '4M',   '4', '1', '255');
INSERT INTO chips VALUES('BFB4', 'SST SST39SF512',     '512K', '4', '1', '255');
INSERT INTO chips VALUES('BFB5', 'SST SST39SF010A',    '1M',   '4', '1', '255');
INSERT INTO chips VALUES('BFB6', 'SST SST39SF020A',    '2M',   '4', '1', '255');
INSERT INTO chips VALUES('BFB7', 'SST SST39SF040',     '4M',   '4', '1', '255');
INSERT INTO chips VALUES('1F03', 'Atmel AT49F512',     '512K', '4', '1', '255');
INSERT INTO chips VALUES('1F17', 'Atmel AT49F010',     '1M',   '4', '1', '255');
INSERT INTO chips VALUES('1F0B', 'Atmel AT49F020',     '2M',   '4', '1', '255');
INSERT INTO chips VALUES('1F13', 'Atmel AT49F040',     '4M',   '4', '1', '255');

-- 5 V flash with page writes.
INSERT INTO chips VALUES('1FDC', 'Atmel AT29C256',     '256K', '$84', '$82', '255');
INSERT INTO chips VALUES('1F5D', 'Atmel AT29C512',     '512K', '$84', '$82', '255');
INSERT INTO chips VALUES('1FD5', 'Atmel AT29C010A',    '1M',   '$84', '$82', '255');
INSERT INTO chips VALUES('1FDA', 'Atmel AT29C020',     '2M',   '$84', '$82', '255');
INSERT INTO chips VALUES('1FA4', 'Atmel AT29C040A',    '4M',   '$84', '$82', '255');
INSERT INTO chips VALUES('DAC1', 'Winbond W29EE011',   '1M',   '$84', '$82', '255');
INSERT INTO chips VALUES('DA45', 'Winbond W29C020',    '2M',   '$84', '$82', '255');
INSERT INTO chips VALUES('DA46', 'Winbond W29C040',    '4M',   '$84', '$82', '255');
INSERT INTO chips VALUES('BF07', 'SST SST29EE010',     '1M',   '$84', '$82', '255');
