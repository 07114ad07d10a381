"""An independent Modbus slave for the qxdrive master tests.

Holding registers 100..103 start as 1500, 65531, 125, 3; 200..201 as 7, 0; 210..211 as the
long 70000 (high word first); 220..222 as the date 24.12.2026 (day, month, year of the century).
Usage: master_slave.py tcp PORT | master_slave.py rtu DEVICE
Serves slave address 1 until it is killed.
"""
import logging
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartSerialServer, StartTcpServer
from pymodbus.transaction import ModbusRtuFramer


def context():
    values = [0] * 300
    values[100:104] = [1500, 65531, 125, 3]
    values[200:202] = [7, 0]
    values[210:212] = [1, 4464]
    values[220:223] = [24, 12, 26]
    slave = ModbusSlaveContext(hr=ModbusSequentialDataBlock(0, values), zero_mode=True)
    return ModbusServerContext(slaves={1: slave}, single=False)


def main():
    logging.basicConfig(level=logging.CRITICAL)
    mode, where = sys.argv[1], sys.argv[2]
    if mode == "tcp":
        StartTcpServer(context=context(), address=("127.0.0.1", int(where)))
    else:
        # The line is a pseudo-terminal, which carries no parity; asking pyserial for even
        # parity there can fail to open the port (EINVAL).
        StartSerialServer(context=context(), framer=ModbusRtuFramer, port=where,
                          baudrate=19200, parity="N", bytesize=8, stopbits=1, timeout=0.05)


if __name__ == "__main__":
    main()
